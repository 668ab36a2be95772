#!/usr/bin/env bash
# Installs what is missing, builds, and shows the demo scene in a window.
# Without a display it writes the demo's first frame to build/demo.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh
scene=examples/demo.vyk
if [ -n "${DISPLAY:-}" ]; then
  exec ./build/vykview "$scene"
fi
if [ -x build/vykshot ]; then
  ./build/vykshot -o build/demo.png "$scene"
  echo "No display: wrote the demo's first frame to $(pwd)/build/demo.png"
else
  echo "No display: run ./build/vykview $scene on a machine with one" >&2
fi
