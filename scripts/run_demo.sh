#!/usr/bin/env bash
# Builds and runs render_demo (or the program named as the first argument). With no
# display it runs under a virtual one for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

program="${1:-render_demo}"
cmake --preset default >/dev/null
# Only what runs: the tests take most of a full build.
cmake --build --preset default -j "$(nproc)" --target render_demo render_demo_crazy render_bench
cd build/default

if [ -n "${DISPLAY:-}" ]; then
  exec "./$program"
fi

shot="$PWD/$program.png"
# The pointer is put over the middle of the main window, so the layers that follow it
# show; the screenshot is cropped to the main window's client area.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
  "./$1" & pid=$!
  window=""
  for attempt in $(seq 1 200); do
    window=$(xdotool search --all --onlyvisible --pid "$pid" --name "sub-system demo" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.05
  done
  if [ -n "$window" ]; then
    xdotool mousemove --window "$window" 400 300
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
  else
    echo "$1 showed no main window" >&2
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' bash "$program" "$shot"
echo "No display: ran $program under Xvfb; screenshot saved to $shot"
