#!/bin/bash
# Drives Pelvaro.exe with real input through the X server: xdotool types into
# Text1, clicks "Work out" and "About" and presses keys; form1_probe reads the
# window's texts back. Saves screenshots of the window in the output folder.
#
#   real_input_test.sh WINE_RUN PELVARO_EXE FORM1_PROBE_EXE OUTPUT_DIR
set -u

wine_run=$1
pelvaro=$2
probe_exe=$3
out=$4
title="Work out your MSN Messenger 6 id number - 1.0.1"
failures=0
pelvaro_pid=

cleanup() {
    if [ -n "$pelvaro_pid" ] && kill -0 "$pelvaro_pid" 2>/dev/null; then
        kill "$pelvaro_pid" 2>/dev/null
        wait "$pelvaro_pid" 2>/dev/null
    fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect WHAT EXPECTED ACTUAL
expect() {
    if [ "$3" = "$2" ]; then
        echo "ok: $1: \"$3\""
    else
        fail "$1: expected \"$2\", got \"$3\""
    fi
}

probe() { "$wine_run" "$probe_exe" "$@" | tr -d '\r'; }

# Waits (up to about 30 s) until the command succeeds.
wait_for() {
    local round
    for round in $(seq 150); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.2
    done
    return 1
}

# The probe's answer once it equals the expected text, or its last answer.
probe_until() {
    local expected=$1 answer round
    shift
    for round in $(seq 50); do
        answer=$(probe "$@" 2>/dev/null)
        if [ "$answer" = "$expected" ]; then break; fi
        sleep 0.2
    done
    printf '%s' "$answer"
}

command -v xdotool >/dev/null || { echo "xdotool is missing" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no X display: run under xvfb-run" >&2; exit 1; }
mkdir -p "$out"

"$wine_run" "$pelvaro" &
pelvaro_pid=$!

# Wine names the X window after the window's title. Without a window manager
# the X window is the client area alone.
wait_for xdotool search --name "^$title\$" || { echo "FAIL: no window titled \"$title\"" >&2; exit 1; }
wid=$(xdotool search --name "^$title\$" | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
echo "window $wid at $X,$Y, ${WIDTH}x${HEIGHT}"
expect "client area size" "400x57" "${WIDTH}x${HEIGHT}"
expect "focus at start" "Text1" "$(probe_until Text1 focus)"

# The icon Wine gives the X window comes from the window class's icons.
if command -v xprop >/dev/null; then
    icons=$(xprop -id "$wid" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u | tr '\n' ' ')
    case "$icons" in
        *"Icon (16 x 16)"*"Icon (32 x 32)"*) echo "ok: window icons: $icons" ;;
        *) fail "window icons: expected 16 x 16 and 32 x 32, got \"$icons\"" ;;
    esac
fi

# Centres of the controls, in client coordinates (96 dpi).
text1="212 17"
command1="356 36"
label3="356 16"

# Type into Text1 and work out.
xdotool mousemove --window "$wid" $text1 click 1
xdotool type --delay 30 "Hello"
expect "Text1 after typing" "Hello" "$(probe_until Hello text1)"
xdotool mousemove --window "$wid" $command1 click 1
expect "Text2 after Work out" "2337520240" "$(probe_until 2337520240 text2)"
expect "Text1 is not lower-cased" "Hello" "$(probe text1)"

# The window as it looks after a Work out, before About.
import -window root "$out/screen.png"
convert "$out/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/pelvaro-window.png"
echo "saved $out/pelvaro-window.png"

# Tab and Shift+Tab move between Text1, Command1 and Text2.
expect "focus after clicking Work out" "Command1" "$(probe_until Command1 focus)"
xdotool key Tab
expect "focus after Tab" "Text2" "$(probe_until Text2 focus)"
xdotool key Tab
expect "focus after Tab" "Text1" "$(probe_until Text1 focus)"
xdotool key shift+Tab
expect "focus after Shift+Tab" "Text2" "$(probe_until Text2 focus)"
xdotool key shift+Tab
expect "focus after Shift+Tab" "Command1" "$(probe_until Command1 focus)"

# Typing more leaves Text2 alone; Enter and Esc press no button.
xdotool mousemove --window "$wid" $text1 click 1
xdotool key End
xdotool type --delay 30 "@x"
expect "Text1 after more typing" "Hello@x" "$(probe_until Hello@x text1)"
xdotool key Return Escape
xdotool key Tab
expect "focus after Enter, Esc and Tab" "Command1" "$(probe_until Command1 focus)"
xdotool key Return Escape
expect "Text2 after Enter and Esc" "2337520240" "$(probe text2)"
expect "title after Enter and Esc" "$title" "$(probe title)"

# About opens the credits box, owned by the window and titled like it.
xdotool mousemove --window "$wid" $label3 click 1
expect "About box title" "$title" "$(probe_until "$title" about)"
import -window root "$out/pelvaro-about.png"
echo "saved $out/pelvaro-about.png"
box=$(xdotool search --name "^$title\$" | grep -vx "$wid" | head -n 1)
if [ -n "$box" ]; then
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove --window "$box" $((WIDTH / 2)) $((HEIGHT / 2))
fi
xdotool key Return
wait_for sh -c "! '$wine_run' '$probe_exe' about" || fail "Enter in the About box did not close it"

# Alt+F4 closes the window; the program ends with status 0.
xdotool mousemove --window "$wid" $text1 key alt+F4
status=timeout
for round in $(seq 150); do
    if ! kill -0 "$pelvaro_pid" 2>/dev/null; then
        wait "$pelvaro_pid"
        status=$?
        break
    fi
    sleep 0.2
done
pelvaro_pid=
expect "exit status after Alt+F4" "0" "$status"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
