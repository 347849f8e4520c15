#!/usr/bin/env bash
# Builds Pelvaro and opens its window: on Windows run Pelvaro.exe itself; here
# the 64-bit build runs under Wine. With a display (DISPLAY set) the window
# opens there until you close it. Without one, the window opens on a virtual
# display, a screenshot is saved, and the window is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Pelvaro pelvaro-id

build=build/win64
exe=$build/app/Pelvaro.exe
echo "pelvaro-id.exe someone@example.com:"
"$build/wine-run" "$build/cli/pelvaro-id.exe" someone@example.com

if [[ -n "${DISPLAY:-}" ]]; then
  echo "Opening the window on $DISPLAY; close it to finish."
  exec "$build/wine-run" "$exe"
fi

shot=$PWD/$build/pelvaro-window.png
echo "No display (DISPLAY is not set): opening the window on a virtual one to take a screenshot."
echo "To use the window, run this on a desktop, or start a display first, e.g.: Xvfb :1 & DISPLAY=:1 $0"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1/wine-run" "$2" & program=$!
  for _ in $(seq 100); do
    window=$(xdotool search --name "^Work out your MSN Messenger 6 id number" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.2
  done
  [[ -n ${window:-} ]] || { echo "The window did not appear." >&2; kill $program; exit 1; }
  sleep 1
  import -window root -crop "$(xdotool getwindowgeometry --shell "$window" | awk -F= "/WIDTH/{w=\$2}/HEIGHT/{h=\$2}/^X/{x=\$2}/^Y/{y=\$2}END{print w\"x\"h\"+\"x\"+\"y}")" "$3"
  xdotool windowclose "$window" 2>/dev/null || kill $program
  wait $program || true
' run "$build" "$exe" "$shot"
echo "Screenshot of the window: $shot"
