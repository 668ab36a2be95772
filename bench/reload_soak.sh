#!/bin/sh
# Reload soak: vykview watches a mesh file (read through the importer's
# child process) while it is rewritten STEPS times in turn by a good save in
# place, a save that crashes the importer, a truncation to nothing and a
# good save renamed over it. Every 50 steps it prints the viewer's resident
# memory, open descriptors and inotify watches; after each broken save it
# checks that the screen still shows the last good picture. Ends with
# status 1 when a broken save changed the picture, the viewer died, memory
# left 5% of where it was after the first 50 steps, or descriptors or
# watches grew. A step waits for its reload (a new picture, or the viewer's
# "last good scene stays" line) for up to 10 s, then PAUSE seconds more.
# Run by hand:  bench/reload_soak.sh BUILD [STEPS] [PAUSE]
set -eu
build=$(cd "${1:?usage: reload_soak.sh BUILD [STEPS] [PAUSE]}" && pwd)
steps=${2:-500}
pause=${3:-0.1}
here=$(cd "$(dirname "$0")/.." && pwd)
crash=$here/tests/data/importer_crash.off
work=$(mktemp -d)
display=:78
Xvfb $display -screen 0 320x240x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
viewer=
trap 'kill $viewer $server 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
# A triangle pointing up (1) or down (-1): good saves alternate, so each
# shows a picture other than the last.
mesh() { printf 'OFF\n3 1 0\n-1 %s 0\n1 %s 0\n0 %s 0\n3 0 1 2\n' "$((-$1))" "$((-$1))" "$1"; }
mesh -1 >"$work/scene.off"
cd "$work"
DISPLAY=$display "$build"/vykview -geometry 320x240+0+0 scene.off 2>"$work/err.log" &
viewer=$!
sleep 2
screen() { DISPLAY=$display import -window root rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
rss() { awk '/^VmRSS/ {print $2}' /proc/$viewer/status; }
fds() { ls /proc/$viewer/fd | wc -l; }
watches() { cat /proc/$viewer/fdinfo/* 2>/dev/null | grep -c '^inotify wd:' || true; }
good=$(screen)
kept=0
# Polls the condition every 50 ms for up to 10 s.
waitFor() {
  n=0
  while [ $n -lt 200 ] && ! eval "$1"; do
    sleep 0.05
    n=$((n + 1))
  done
}
status=0
base=$((steps < 50 ? steps : 50))
i=1
while [ "$i" -le "$steps" ]; do
  shape=$(((i / 2) % 2 * 2 - 1))
  case $((i % 4)) in
  0) mesh $shape 1<>scene.off ;;
  1) cat "$crash" >scene.off ;;
  2) : >scene.off ;;
  3) mesh $shape >next.off && mv next.off scene.off ;;
  esac
  case $((i % 4)) in
  0 | 3) waitFor '[ "$(screen)" != "$good" ]' ;;
  *) waitFor '[ "$(grep -c "scene stays" err.log)" -gt "$kept" ]' ;;
  esac
  kept=$(grep -c "scene stays" err.log || true)
  sleep "$pause"
  if ! kill -0 $viewer 2>/dev/null; then
    echo "step $i: the viewer ended" >&2
    exit 1
  fi
  case $((i % 4)) in
  0 | 3)
    now=$(screen)
    if [ "$now" = "$good" ]; then
      echo "step $i: a good save did not show" >&2
      status=1
    fi
    good=$now
    ;;
  *) if [ "$(screen)" != "$good" ]; then
    echo "step $i: a broken save changed the picture" >&2
    status=1
  fi ;;
  esac
  if [ $((i % 50)) -eq 0 ]; then
    echo "step $i: rss $(rss) kB, $(fds) descriptors, $(watches) watches"
  fi
  if [ "$i" -eq "$base" ]; then
    rss50=$(rss) fds50=$(fds) watches50=$(watches)
  fi
  i=$((i + 1))
done
rss=$(rss)
echo "after $steps steps: rss $rss kB ($(((rss - rss50) * 1000 / rss50)) per mille of step $base)," \
  "descriptors $fds50 -> $(fds), watches $watches50 -> $(watches);" \
  "$(grep -c 'the importer crashed' err.log) importer crashes reported"
[ $(((rss - rss50) * 100 / rss50)) -le 5 ] && [ $(((rss50 - rss) * 100 / rss50)) -le 5 ] || status=1
[ "$(fds)" -le "$fds50" ] && [ "$(watches)" -le "$watches50" ] || status=1
exit $status
