#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing vykview
# need. Installs only what is missing (apt-get update first, only then), so it
# is quick and safe to run again. Run as root.
set -euo pipefail

packages=(
  # build
  g++ make cmake pkg-config ccache
  # the formatting check of scripts/test.sh
  clang-format git
  # the viewer's libraries
  freeglut3-dev libglew-dev libglu1-mesa-dev libgl-dev libjpeg-dev libpng-dev
  libgl1-mesa-dri libegl-dev libegl-mesa0
  # mesh formats (OBJ, PLY, glTF, ...) and real models of them for the tests
  libassimp-dev assimp-testmodels
  # the command-line parser of the programs
  libcxxopts-dev
  # the system-call filter of the importer's child process
  libseccomp-dev
  # tests and benchmarks
  libgtest-dev libbenchmark-dev
  # a display without a screen, and tools the end-to-end tests drive it with
  xvfb xauth xdotool x11-utils imagemagick
  # Xlib, for the window manager's close request the program tests send
  libx11-dev
  # checks of the installed files, and the Debian package (dpkg-shlibdeps)
  desktop-file-utils libxml2-utils man-db groff-base shared-mime-info
  libglib2.0-bin dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
