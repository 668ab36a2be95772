#!/bin/sh
# Time from start to the first frame on screen of vykview: starts a private
# Xvfb, starts the viewer on FILE and takes 1x1 screenshots of the screen's
# mean colour until it leaves the empty window's. Resolution is one
# screenshot (about 30 ms). Run by hand:  bench/on_screen.sh BUILD FILE [RUNS]
set -eu
build=${1:?usage: on_screen.sh BUILD FILE [RUNS]}
file=${2:?usage: on_screen.sh BUILD FILE [RUNS]}
runs=${3:-3}
display=${VYK_DISPLAY:-:77} # another when :77 is taken
Xvfb $display -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null' EXIT
sleep 1
mean() { DISPLAY=$display import -window root -resize '1x1!' txt:- 2>/dev/null | tail -1 | cut -d' ' -f4; }
empty=$(mean)
i=0
while [ "$i" -lt "$runs" ]; do
  start=$(date +%s%N)
  DISPLAY=$display "$build"/vykview --no-watch -geometry 800x600+0+0 "$file" 2>/dev/null &
  viewer=$!
  while [ "$(mean)" = "$empty" ]; do :; done
  first=$(date +%s%N)
  # The window appears cleared before the model is drawn: wait for the
  # colour to settle.
  last=$(mean); now=$(mean)
  while [ "$now" != "$last" ]; do last=$now; now=$(mean); done
  end=$(date +%s%N)
  echo "$(basename "$file"): window after $(( (first - start) / 1000000 )) ms, frame settled after $(( (end - start) / 1000000 )) ms"
  kill $viewer; wait $viewer 2>/dev/null || true
  i=$((i + 1))
done
