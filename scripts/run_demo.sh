#!/usr/bin/env bash
# Builds and runs render_demo (or the program named as the first argument). With no
# display it runs under a virtual one for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

program="${1:-render_demo}"
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
cd build/default

if [ -n "${DISPLAY:-}" ]; then
  exec "./$program"
fi

shot="$PWD/$program.png"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
  ./$program & pid=\$!
  sleep 3
  xdotool mousemove 520 440 2>/dev/null || true
  sleep 1
  import -window root '$shot'
  kill \$pid 2>/dev/null || true
  wait \$pid 2>/dev/null || true
"
echo "No display: ran $program under Xvfb; screenshot saved to $shot"
