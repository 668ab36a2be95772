#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. GL tests get a
# virtual X server of their own, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh
xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -nolisten tcp -noreset" \
  ctest --test-dir build --output-on-failure -j"$(nproc)"
