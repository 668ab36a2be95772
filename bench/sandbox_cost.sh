#!/usr/bin/env bash
# What the importer's child process costs: `vykconv FILE out.stl` of each
# program given, run alternately on one Xvfb, RUNS times each, with
# `perf stat -e task-clock` (CPU time of the program and every process it
# starts, its importer and the importer's children included) and the wall
# time of the run. Prints, per file and program, the best, the worst and
# the median of both.
#
#   bench/sandbox_cost.sh RUNS FILE... -- NAME=VYKCONV...
#
# For example, with the files of bench/make_meshes.py and Debian's
# assimp-testmodels, and a copy of vykconv from before a change:
#   bench/sandbox_cost.sh 8 /usr/share/assimp/models/glTF2/BoxTextured-glTF/BoxTextured.gltf \
#       /tmp/meshes/grid.ply -- before=/tmp/vykconv.before after=build/vykconv
set -euo pipefail

if [ -z "${VYK_COST_INSIDE:-}" ]; then
  command -v perf >/dev/null || { echo "sandbox_cost: perf is missing (apt-get install linux-perf)" >&2; exit 1; }
  export VYK_COST_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" "$0" "$@"
fi

runs=$1
shift
files=()
while [ "$1" != "--" ]; do
  files+=("$1")
  shift
done
shift
programs=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One run: appends "cpu_ms wall_ms" to the program's record of the file.
run() { # RECORD VYKCONV FILE
  local start end
  start=$(date +%s%N)
  perf stat -x, -o "$work/stat" -e task-clock "$2" "$3" "$work/out.stl" >/dev/null 2>&1 || {
    echo "sandbox_cost: $2 $3 failed" >&2
    exit 1
  }
  end=$(date +%s%N)
  awk -F, -v wall=$(((end - start) / 1000000)) '$3 == "task-clock" { printf "%.0f %d\n", $1, wall }' \
    "$work/stat" >>"$1"
}

printf '%-24s %-10s %16s %6s  %16s %6s\n' file program 'cpu ms best-worst' median 'wall ms best-worst' median
for file in "${files[@]}"; do
  for ((i = 0; i < runs; ++i)); do
    for p in "${programs[@]}"; do
      run "$work/${p%%=*}" "${p#*=}" "$file"
    done
  done
  for p in "${programs[@]}"; do
    # Best-worst and the median (the lower middle of an even count).
    stats() { sort -n | awk '{ v[NR] = $1 } END { printf "%7d-%-8d %6d", v[1], v[NR], v[int((NR + 1) / 2)] }'; }
    printf '%-24s %-10s %s  %s\n' "$(basename "$file")" "${p%%=*}" \
      "$(cut -d' ' -f1 "$work/${p%%=*}" | stats)" "$(cut -d' ' -f2 "$work/${p%%=*}" | stats)"
    rm -f "$work/${p%%=*}"
  done
done
