#!/usr/bin/env bash
# Builds Pelvaro and opens its window. On Windows, run Pelvaro.exe itself (see
# tools/release.sh); here the 64-bit build runs under Wine. With a display
# (DISPLAY set) the window opens there until you close it. Without one, it
# opens on a virtual display, a screenshot is saved, and it is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Pelvaro pelvaro-id

build=$PWD/build/win64
export WINEPREFIX=$build/wineprefix
echo "pelvaro-id.exe someone@example.com:"
"$build/wine-run" "$build/cli/pelvaro-id.exe" someone@example.com
wineserver -w  # let this Wine session end before the window's starts on its display

if [[ -n "${DISPLAY:-}" ]]; then
  echo "Opening the window on $DISPLAY; close it to finish."
  exec "$build/wine-run" "$build/app/Pelvaro.exe"
fi

shot=$build/pelvaro-window.png
echo "There is no display (DISPLAY is not set), so the window opens on a virtual one for a screenshot."
echo "To use the window here, start a display first, for example: Xvfb :1 & DISPLAY=:1 $0"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1/wine-run" "$1/app/Pelvaro.exe" &
  for _ in $(seq 150); do
    window=$(xdotool search --name "^Work out your MSN Messenger 6 id number" 2>/dev/null | head -n 1) || true
    [[ -n $window ]] && break
    sleep 0.2
  done
  [[ -n $window ]] || { echo "The window did not appear." >&2; wineserver -k; exit 1; }
  sleep 1
  import -window "$window" "$2"
  wineserver -k
' run "$build" "$shot"
echo "Screenshot of the window: $shot"
