#!/usr/bin/env bash
# Side-by-side first frame of vykshot and f3d (Debian's package, installed for
# this comparison only) on tessellated tori: 1M triangles binary and text,
# 10M binary, and a tiny STL for the fixed cost. Both programs write an
# 800x600 PNG; they run alternately on one Xvfb, and the best wall time and
# the lowest peak RSS (/usr/bin/time -f '%e %M') of each are compared.
#
#   bench/compare.sh [BUILD_DIR] [MODEL_DIR]
#
# BUILD_DIR holds vykshot and torus_stl (default build-rel, a Release
# build); MODEL_DIR keeps the generated models between runs (default
# /tmp/vykcompare). VYK_COMPARE_MODELS="1M-bin 1M-txt 10M-bin tiny" picks
# the rows (also 30M-bin and 100M-bin, a 5 GB file made on first use); VYK_COMPARE_RUNS overrides the
# run count (3, 2 at 10M, 1 above). VYK_FULL_RECORDS=1 in the environment
# makes vykshot keep the full records, as before the compact form.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-rel}" && pwd)
models=${2:-/tmp/vykcompare}

if [ -z "${VYK_COMPARE_INSIDE:-}" ]; then
  command -v f3d >/dev/null || { echo "compare: f3d is missing (apt-get install f3d)" >&2; exit 1; }
  [ -x "$build/vykshot" ] && [ -x "$build/torus_stl" ] || {
    echo "compare: build vykshot and torus_stl in $build first" >&2; exit 1; }
  mkdir -p "$models"
  export VYK_COMPARE_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" "$0" "$build" "$models"
fi

make_model() { # NAME TRIANGLES FORM
  [ -s "$models/$1.stl" ] || "$build/torus_stl" "$2" "$3" "$models/$1.stl"
}

# One timed run: prints "seconds peak_kB", or "fail" when the program failed
# or wrote no picture.
timed() { # OUT.png COMMAND...
  local out=$1 stats
  shift
  rm -f "$out"
  stats=$(mktemp)
  if /usr/bin/time -o "$stats" -f '%e %M' "$@" >/dev/null 2>&1 && [ -s "$out" ]; then
    tail -n 1 "$stats"
  else
    echo fail
  fi
  rm -f "$stats"
}

best() { # FILE OF "seconds kB" LINES: best seconds and lowest kB
  awk 'BEGIN { t = 1e9; m = 1e12 } $1 != "fail" { if ($1 < t) t = $1; if ($2 < m) m = $2; n++ }
       END { if (n) printf "%.2f %d\n", t, m; else print "fail" }' "$1"
}

printf '%-9s %9s %9s %6s %10s %10s %6s\n' model vykshot_s f3d_s ratio vyk_MB f3d_MB ratio
for row in ${VYK_COMPARE_MODELS:-tiny 1M-bin 1M-txt 10M-bin}; do
  case $row in
    tiny) file=$root/tests/data/sphere_binary.stl runs=3 ;;
    1M-bin) make_model torus-1M-bin 1000000 binary; file=$models/torus-1M-bin.stl runs=3 ;;
    1M-txt) make_model torus-1M-txt 1000000 text; file=$models/torus-1M-txt.stl runs=3 ;;
    10M-bin) make_model torus-10M-bin 10000000 binary; file=$models/torus-10M-bin.stl runs=2 ;;
    30M-bin) make_model torus-30M-bin 30000000 binary; file=$models/torus-30M-bin.stl runs=1 ;;
    100M-bin) make_model torus-100M-bin 100000000 binary; file=$models/torus-100M-bin.stl runs=1 ;;
    *) echo "compare: unknown model $row" >&2; exit 1 ;;
  esac
  runs=${VYK_COMPARE_RUNS:-$runs}
  vyk=$(mktemp) peer=$(mktemp)
  # Alternate, so that both see the same page cache and machine load.
  for ((i = 0; i < runs; i++)); do
    timed "$models/vykshot.png" "$build/vykshot" -o "$models/vykshot.png" "$file" >>"$vyk"
    timed "$models/f3d.png" f3d --dry-run --output "$models/f3d.png" --resolution 800,600 "$file" >>"$peer"
  done
  read -r vt vm <<<"$(best "$vyk") 0"
  read -r ft fm <<<"$(best "$peer") 0"
  rm -f "$vyk" "$peer"
  if [ "$vt" = fail ] || [ "$ft" = fail ]; then
    printf '%-9s vykshot %s, f3d %s\n' "$row" "$vt" "$ft"
    continue
  fi
  awk -v r="$row" -v vt="$vt" -v ft="$ft" -v vm="$vm" -v fm="$fm" 'BEGIN {
    printf "%-9s %9.2f %9.2f %6.2f %10.0f %10.0f %6.2f\n", r, vt, ft, vt / ft, vm / 1024, fm / 1024, vm / fm }'
done
