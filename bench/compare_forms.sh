#!/usr/bin/env bash
# Draws STL files with vykshot twice, from the compact form and from the
# full records (VYK_FULL_RECORDS=1), at two sizes, and compares the pictures
# with picture_diff: they may differ by rounding alone. Prints a line a
# file and size ("over1 over2 pixels", or the two statuses when vykshot
# failed either way) and ends with the count of pictures that broke the rule.
#
#   bench/compare_forms.sh BUILD_DIR FILE...
set -euo pipefail

build=$(cd "$1" && pwd)
shift
if [ -z "${VYK_FORMS_INSIDE:-}" ]; then
  export VYK_FORMS_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX -noreset" "$0" "$build" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
broken=0
for file in "$@"; do
  for size in 800x600 1601x1203; do
    a=0 b=0
    "$build/vykshot" --size "$size" -o "$work/compact.png" "$file" 2>"$work/compact.err" || a=$?
    VYK_FULL_RECORDS=1 "$build/vykshot" --size "$size" -o "$work/full.png" "$file" 2>"$work/full.err" || b=$?
    if [ "$a" != "$b" ] || ! cmp -s "$work/compact.err" "$work/full.err"; then
      echo "$file $size: statuses $a $b or messages differ"; broken=$((broken + 1)); continue
    fi
    if [ "$a" != 0 ]; then
      echo "$file $size: both status $a"; continue
    fi
    if ! line=$("$build/picture_diff" "$work/compact.png" "$work/full.png"); then
      broken=$((broken + 1)); line="$line BROKEN"
    fi
    echo "$file $size: $line"
  done
done
echo "pictures breaking the rounding rule: $broken"
