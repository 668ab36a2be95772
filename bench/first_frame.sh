#!/bin/sh
# First frame of the mesh files from make_meshes.py: vykshot against f3d
# (for comparison only; apt-get install f3d), alternating runs, wall time in
# seconds and peak RSS in KiB from /usr/bin/time. Run under one X server:
#   xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" bench/first_frame.sh build DIR [RUNS]
set -eu
build=${1:?usage: first_frame.sh BUILD DIR [RUNS]}
dir=${2:?usage: first_frame.sh BUILD DIR [RUNS]}
runs=${3:-3}
for file in "$dir"/grid.ply "$dir"/grid.obj; do
  i=0
  while [ "$i" -lt "$runs" ]; do
    printf '%s vykshot ' "$(basename "$file")"
    /usr/bin/time -f '%e %M' "$build"/vykshot --size 800x600 -o "$dir"/vyk.png "$file" 2>&1 >/dev/null | tail -1
    if command -v f3d >/dev/null; then
      printf '%s f3d ' "$(basename "$file")"
      /usr/bin/time -f '%e %M' f3d --resolution=800,600 --output="$dir"/f3d.png "$file" 2>&1 >/dev/null | tail -1
    fi
    i=$((i + 1))
  done
done
