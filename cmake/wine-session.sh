#!/bin/bash
# The Wine session that a Windows build's tests share: a virtual display of
# the build's own (display.sh), and a Wine server kept up in the build's
# prefix, which the prefix is made ready on.
#
#   wine-session.sh WINE_RUN PREFIX DISPLAY_NUMBER SESSION_DRIVER BARE_WINDOW start|end
#
# start ends what an earlier run may have left of such a session first, and
# ends with the prefix's first window program, BARE_WINDOW, started and closed
# by SESSION_DRIVER: Wine sets a new prefix's window side up then, and a
# window program that started at that moment beside another prefix being made
# was seen to fail to create its window. end ends the server and the display.
set -euo pipefail
wine_run=$1 prefix=$2 number=$3 driver=$4 bare_window=$5
export WINEPREFIX=$prefix DISPLAY=:$number
display() { bash "$(dirname "$0")/display.sh" "$number" "$prefix.xvfb" "$1"; }

end() {
  wineserver -k 2>/dev/null || true
  display end
}

start() {
  end
  display start
  mkdir -p "$prefix"
  wineserver -p </dev/null >/dev/null 2>&1 || { echo "wineserver -p did not start a server for $prefix" >&2; exit 1; }
  "$wine_run" || { echo "$wine_run could not make $prefix ready" >&2; exit 1; }
  # What Wine starts for the first window program (the desktop's process)
  # stays, holding the output it was given: a file, not this script's.
  if ! "$wine_run" "$driver" bare "$(winpath "$bare_window")" >"$prefix.first-window" 2>&1 </dev/null; then
    tr -d '\r' <"$prefix.first-window" >&2
    echo "the prefix's first window program did not come and go as it should (see above)" >&2
    exit 1
  fi
  tr -d '\r' <"$prefix.first-window"
  echo "Wine session up: display $DISPLAY, server of $prefix"
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

"$6"
