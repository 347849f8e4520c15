#!/bin/bash
# The Wine session that a Windows build's tests share: a virtual display of
# the build's own, and a Wine server kept up in the build's prefix, which the
# prefix is made ready on.
#
#   wine-session.sh WINE_RUN PREFIX DISPLAY_NUMBER start|end
#
# start ends what an earlier run may have left of such a session first; end
# ends both, and is what a run that ends early leaves to the namespace the
# test command runs in. The display's process is noted in PREFIX.xvfb.
set -euo pipefail
wine_run=$1 prefix=$2 number=$3
export WINEPREFIX=$prefix DISPLAY=:$number
noted=$prefix.xvfb

# The display's server, if it is one this script started.
xvfb_pid() {
  local pid
  pid=$(cat "$noted" 2>/dev/null) || return 1
  [[ $(cat "/proc/$pid/comm" 2>/dev/null) == Xvfb ]] && echo "$pid"
}

end() {
  wineserver -k 2>/dev/null || true
  if pid=$(xvfb_pid); then
    kill "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  fi
  rm -f "$noted"
}

start() {
  end
  # A lock file whose server is gone (ended with an earlier run's namespace)
  # would keep Xvfb from starting.
  local lock=/tmp/.X$number-lock owner
  if [[ -f $lock ]] && owner=$(tr -d ' ' <"$lock") && [[ $(cat "/proc/$owner/comm" 2>/dev/null) != Xvfb ]]; then
    rm -f "$lock"
  fi
  if xdpyinfo >/dev/null 2>&1; then
    echo "display $DISPLAY is taken by an X server this script did not start" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$noted")"
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$prefix.xvfb.log" 2>&1 &
  echo $! >"$noted"
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    kill -0 $! 2>/dev/null || { echo "Xvfb did not start on $DISPLAY:" >&2; cat "$prefix.xvfb.log" >&2; exit 1; }
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { echo "Xvfb on $DISPLAY did not answer in 10 s" >&2; exit 1; }
  mkdir -p "$prefix"
  wineserver -p </dev/null >/dev/null 2>&1 || { echo "wineserver -p did not start a server for $prefix" >&2; exit 1; }
  "$wine_run" || { echo "$wine_run could not make $prefix ready" >&2; exit 1; }
  echo "Wine session up: display $DISPLAY, server of $prefix"
}

"$4"
