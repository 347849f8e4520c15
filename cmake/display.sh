#!/bin/bash
# A virtual display that a suite's tests share, set up before the first and
# ended after the last:
#
#   display.sh NUMBER NOTE start|end
#
# start brings up Xvfb on :NUMBER and notes its process in the file NOTE,
# ending first a server that an earlier run noted there; end ends it. What a
# run that ends early leaves is ended with the namespace the test command
# runs in.
set -euo pipefail
number=$1 note=$2
export DISPLAY=:$number

# The display's server, if it is one this script started.
noted_server() {
  local pid
  pid=$(cat "$note" 2>/dev/null) || return 1
  [[ $(cat "/proc/$pid/comm" 2>/dev/null) == Xvfb ]] && echo "$pid"
}

end() {
  local pid
  if pid=$(noted_server); then
    kill "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  fi
  rm -f "$note"
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
  mkdir -p "$(dirname "$note")"
  # -noreset: by default the server resets each time its last client leaves,
  # and the tests' programs come and go; it stays as it started instead.
  # Until it has answered, a failed or stopped start ends the server too.
  trap end EXIT
  Xvfb "$DISPLAY" -ac -noreset -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$note.log" 2>&1 &
  echo $! >"$note"
  for _ in $(seq 100); do
    if xdpyinfo >/dev/null 2>&1; then
      trap - EXIT
      echo "display $DISPLAY up"
      return
    fi
    kill -0 $! 2>/dev/null || { echo "Xvfb did not start on $DISPLAY:" >&2; cat "$note.log" >&2; exit 1; }
    sleep 0.1
  done
  echo "Xvfb on $DISPLAY did not answer in 10 s" >&2
  exit 1
}

"$3"
