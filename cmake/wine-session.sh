#!/bin/bash
# The Wine session that a Windows build's tests share: a virtual display of
# the build's own (display.sh), and a Wine server kept up in the build's
# prefix, which the prefix is made ready on.
#
#   wine-session.sh WINE_RUN PREFIX DISPLAY_NUMBER start|end
#
# start ends what an earlier run may have left of such a session first; end
# ends both.
set -euo pipefail
wine_run=$1 prefix=$2 number=$3
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
  echo "Wine session up: display $DISPLAY, server of $prefix"
}

"$4"
