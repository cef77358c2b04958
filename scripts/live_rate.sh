#!/usr/bin/env bash
# Measures the rate a demo program actually paints at: runs it with --stats under Xvfb,
# sets the frame rate and the ball count in its Settings window as a user would, keeps the
# pointer over the middle of the main window, ends it after the given seconds and prints
# its end line (the figures since the settings were made).
#
#   bash scripts/live_rate.sh [program] [balls] [fps] [seconds]
#   e.g. bash scripts/live_rate.sh render_demo_crazy 10000 60 20
#
# Run it after a build of the default preset (build/default).
set -euo pipefail
cd "$(dirname "$0")/../build/default"
program="${1:-render_demo}"
balls="${2:-10}"
fps="${3:-60}"
seconds="${4:-20}"
case "$fps" in 30 | 60) ;; *) echo "fps must be 30 or 60" >&2; exit 2 ;; esac

xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
  program=$1 balls=$2 fps=$3 seconds=$4
  out=$(mktemp)
  "./$program" --stats >"$out" 2>/dev/null & pid=$!
  find() {
    for attempt in $(seq 1 400); do
      window=$(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n 1)
      [ -n "$window" ] && { echo "$window"; return; }
      sleep 0.05
    done
  }
  main=$(find "sub-system demo")
  settings=$(find "^Settings\$")
  if [ -z "$main" ] || [ -z "$settings" ]; then
    echo "$program showed no windows" >&2
    kill "$pid" 2>/dev/null; exit 1
  fi
  eval "$(xdotool getwindowgeometry --shell "$settings")"
  # The options sit at 75..125 (30 fps) and 125..175 (60 fps) across, 5..25 down; the
  # ball-count field at 105..205, 35..55.
  [ "$fps" = 30 ] && xdotool mousemove $((X + 100)) $((Y + 15)) click 1
  [ "$fps" = 60 ] && xdotool mousemove $((X + 150)) $((Y + 15)) click 1
  xdotool mousemove $((X + 155)) $((Y + 45)) click 1 key ctrl+a type "$balls"
  xdotool mousemove --window "$main" 400 300
  sleep "$seconds"
  kill -TERM "$pid"
  wait "$pid" || true
  tail -n 1 "$out"
  rm -f "$out"
' bash "$program" "$balls" "$fps" "$seconds"
