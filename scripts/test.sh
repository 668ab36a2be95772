#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every
# test. GL tests get a virtual X server of their own, so no display is
# needed. Then the same code is built under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/, which runs the tests that need
# no display and replays every fuzz corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
# Formatting: every C++ file as clang-format (.clang-format) leaves it.
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
bash scripts/build.sh
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -nolisten tcp -noreset")
"${xvfb[@]}" ctest --test-dir build --output-on-failure -j"$(nproc)"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVYK_SANITIZE=ON -DVYK_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -LE gl
"${xvfb[@]}" ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -L gl -R '^replay_'
