#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each on its corpus:
#   fuzz/run.sh [SECONDS] [TARGET...]      (default 60 seconds, every target)
# A target reads fuzz/corpus/<name>/ and fuzz/regressions/<name>/ and adds
# what it finds to build-fuzz/corpus/<name>/; crash inputs land in
# build-fuzz/crashes/. With VYK_FUZZ_UPDATE=1 the repository corpus is then
# replaced by a minimised merge of both. GL targets get a virtual X server
# when there is no display. Set VYK_FUZZ_BUILD to use another build folder,
# and VYK_FUZZ_OPTS for more libFuzzer options: "-fork=1 -ignore_crashes=1
# -ignore_timeouts=1 -ignore_ooms=1" keeps a run going after a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${VYK_FUZZ_BUILD:-build-fuzz}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

# One build at a time, so that runs started side by side share the folder.
mkdir -p "$build"
(
  flock 9
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVYK_FUZZ=ON -DVYK_TESTS=OFF -DVYK_BENCH=OFF >/dev/null
  cmake --build "$build" -j2 --target "${targets[@]}"
) 9>"$build/.build-lock"

status=0
for t in "${targets[@]}"; do
  name=${t%_fuzz}
  work=$build/corpus/$name
  mkdir -p "$work" "$build/crashes" "fuzz/corpus/$name"
  inputs=("$work" "fuzz/corpus/$name")
  # Inputs that crash assimp itself would stop its target at once; the
  # replay test loads them through the importer's child instead.
  [ -d "fuzz/regressions/$name" ] && [ "$name" != assimp ] && inputs+=("fuzz/regressions/$name")
  run=("./$build/$t")
  if grep -Eq 'glContext|loadBytes' "fuzz/$t.cpp" && [ -z "${DISPLAY:-}" ]; then
    run=(xvfb-run -a -s "-screen 0 640x480x24 +extension GLX -nolisten tcp -noreset" "./$build/$t")
  fi
  echo "== $t: $seconds s"
  # Inputs stay small (the repository keeps the corpora) and the targets'
  # own messages are dropped: libFuzzer and the sanitizers still report.
  opts=(-rss_limit_mb=2048 -max_len="${VYK_FUZZ_MAX_LEN:-8192}" -close_fd_mask=2)
  [ -f "fuzz/$name.dict" ] && opts+=(-dict="fuzz/$name.dict")
  # shellcheck disable=SC2206
  opts+=(${VYK_FUZZ_OPTS:-})
  if ! "${run[@]}" "${opts[@]}" -max_total_time="$seconds" -timeout=120 -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$name-" "${inputs[@]}" 2>"$build/$name.log"; then
    echo "$t: finding, see $build/$name.log and $build/crashes/" >&2
    status=1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$name.log" || true
  if [ "${VYK_FUZZ_UPDATE:-0}" = 1 ]; then
    rm -rf "$work.min" && mkdir -p "$work.min"
    if "${run[@]}" "${opts[@]}" -set_cover_merge=1 -artifact_prefix="$build/crashes/$name-merge-" \
      "$work.min" "fuzz/corpus/$name" "$work" 2>>"$build/$name.log" && [ -n "$(ls -A "$work.min")" ]; then
      rm -rf "fuzz/corpus/$name" && mv "$work.min" "fuzz/corpus/$name"
    fi
  fi
done
exit $status
