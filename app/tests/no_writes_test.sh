#!/bin/bash
# Pelvaro.exe writes nothing: no file and no registry value, at start, during
# use or at exit.
#
#   no_writes_test.sh WINE_RUN PELVARO_EXE BARE_WINDOW_EXE SESSION_DRIVER_EXE SNAPSHOT_PY WORK_DIR
#
# In a fresh Wine prefix of its own (WORK_DIR/prefix), with an empty working
# directory (WORK_DIR/cwd) and a home folder of its own (WORK_DIR/home):
#   1. a session of bare_window.exe lets Wine settle (first-run writes), and
#      wineserver -w has the registry written out; snapshot 0;
#   2. a second session of bare_window.exe, the control: what Wine itself
#      writes when a window program comes and goes; snapshot 1;
#   3. a session of Pelvaro.exe: start, work out an address, open About, close
#      it, close the window, exit status 0; snapshot 2.
# A snapshot holds every file of the prefix (the registry files read into keys
# and values, Wine's bookkeeping in them kept apart), the working directory,
# the home folder, Pelvaro.exe's own folder and /tmp. The test fails on any
# change of the Pelvaro session that the control session did not make too.
#
# When it may (tools/in-private-mounts.sh), the test runs in a mount namespace
# of its own with a /tmp of its own, so that what appears in /tmp is surely
# the sessions' and not another program's on the machine.
set -euo pipefail

if [ $# -ne 6 ]; then
    echo "usage: $0 WINE_RUN PELVARO_EXE BARE_WINDOW_EXE SESSION_DRIVER_EXE SNAPSHOT_PY WORK_DIR" >&2
    exit 2
fi
wine_run=$(realpath "$1")
pelvaro=$(realpath "$2")
bare_window=$(realpath "$3")
driver=$(realpath "$4")
snapshot_py=$(realpath "$5")
work=$(realpath -m "$6")
address="someone@example.com"
wait_seconds=60

[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display: run under xvfb-run" >&2; exit 1; }
command -v python3 >/dev/null || { echo "FAIL: python3 is missing" >&2; exit 1; }
wineserver=${WINESERVER:-$(command -v wineserver || true)}
[ -x "$wineserver" ] || { echo "FAIL: wineserver is missing" >&2; exit 1; }

# ---- A /tmp of its own ------------------------------------------------------

if [ -z "${PELVARO_NO_WRITES_INSIDE:-}" ]; then
    private_mounts=$(dirname "$(realpath "$0")")/../../tools/in-private-mounts.sh
    if why=$("$private_mounts" true 2>&1); then
        PELVARO_NO_WRITES_INSIDE=private exec "$private_mounts" bash "$0" "$@"
    fi
    export PELVARO_NO_WRITES_INSIDE=shared
    echo "note: $why: /tmp is shared, and other programs' files in it may show up"
fi

prefix=$work/prefix
cwd=$work/cwd
home=$work/home
snapshots=$work/snapshots
export WINEPREFIX=$prefix
export WINEDEBUG=-all

# In a shared /tmp, a previous run's server, if any, goes with its prefix, and
# so does Wine's folder for it. (In a private /tmp, that server lived in its own
# namespace; asking for it here would only make a folder in the real /tmp.)
if [ "$PELVARO_NO_WRITES_INSIDE" = shared ] && [ -f "$prefix/wineserver" ]; then
    timeout 30 "$wineserver" -k 2>/dev/null || true
    old_server_dir=$(cat "$prefix/wineserver")
    if [ -n "$old_server_dir" ]; then rm -rf "/tmp/$old_server_dir"; fi
fi
rm -rf "$work"
mkdir -p "$cwd" "$home" "$snapshots"

# Paths under /tmp that the test needs stay reachable in the private /tmp:
# each one's top folder under /tmp is bound into it. They are not scanned.
tmp_skips=()
tmp_prune=()
if [ "$PELVARO_NO_WRITES_INSIDE" = private ]; then
    # The X server's authority file, copied out of /tmp (xvfb-run keeps it there).
    if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
        cp "$XAUTHORITY" "$work/Xauthority"
        export XAUTHORITY=$work/Xauthority
    fi
    private_tmp=$work/tmp
    mkdir -p "$private_tmp"
    declare -A bound=()
    for path in "$work" "$wine_run" "$pelvaro" "$bare_window" "$driver" "$snapshot_py" "$(realpath "$0")" \
        /tmp/.X11-unix; do
        case "$path" in
            /tmp/?*)
                top=${path#/tmp/}
                top=${top%%/*}
                if [ -e "/tmp/$top" ] && [ -z "${bound[$top]:-}" ]; then
                    bound[$top]=1
                    if [ -d "/tmp/$top" ]; then mkdir -p "$private_tmp/$top"; else touch "$private_tmp/$top"; fi
                    mount --bind "/tmp/$top" "$private_tmp/$top"
                    tmp_skips+=(--skip "/tmp/$top")
                    tmp_prune+=(-path "/tmp/$top" -o)
                fi
                ;;
        esac
    done
    mount --rbind "$private_tmp" /tmp
    tmp_area=tmp=/tmp
else
    # Shared: only the entries at the top of /tmp are compared.
    tmp_area=tmp=/tmp:top
fi

cleanup() {
    timeout 30 "$wineserver" -k 2>/dev/null || true
}
trap cleanup EXIT

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Runs a Windows program in the working directory, with the home folder of
# the test, for at most wait_seconds.
wine() {
    (cd "$cwd" && HOME=$home timeout "$wait_seconds" "$wine_run" "$@")
}

# Waits for the prefix's wineserver to end, which writes the registry out.
wait_for_wineserver() {
    if ! timeout "$wait_seconds" "$wineserver" -w; then
        echo "FAIL: wineserver still running after ${wait_seconds} s" >&2
        exit 1
    fi
}

session() {
    echo "== $1 session"
    shift
    if ! wine "$(winpath "$driver")" "$@" | tr -d '\r'; then
        echo "FAIL: the session did not run as expected (see above)" >&2
        exit 1
    fi
    wait_for_wineserver
}

take_snapshot() {
    python3 "$snapshot_py" snapshot "$snapshots/$1.json" "prefix=$prefix" "cwd=$cwd" "home=$home" \
        "program=$(dirname "$pelvaro"):top" "$tmp_area" "${tmp_skips[@]}"
}

failures=0

# Fails with the listing when anything was found, else says it is fine.
#   expect_nothing FOUND FAIL_TEXT OK_TEXT
expect_nothing() {
    if [ -n "$1" ]; then
        echo "FAIL: $2"
        echo "$1"
        failures=$((failures + 1))
    else
        echo "ok: $3"
    fi
}

# Expects the working directory to be empty.
expect_empty_cwd() {
    expect_nothing "$(find "$cwd" -mindepth 1 -printf '  %P\n')" \
        "working directory after the $1 session: expected empty, found:" \
        "working directory empty after the $1 session"
}

echo "== fresh prefix $prefix (/tmp: $PELVARO_NO_WRITES_INSIDE)"
wine wineboot -i >/dev/null 2>&1 || { echo "FAIL: wineboot -i failed" >&2; exit 1; }
wait_for_wineserver

session "settling (bare_window.exe)" bare "$(winpath "$bare_window")"
take_snapshot 0-settled
session "control (bare_window.exe)" bare "$(winpath "$bare_window")"
expect_empty_cwd control
take_snapshot 1-control
session "Pelvaro" pelvaro "$(winpath "$pelvaro")" "$address"
expect_empty_cwd Pelvaro
take_snapshot 2-pelvaro

echo "== comparison"
python3 "$snapshot_py" compare "$snapshots/0-settled.json" "$snapshots/1-control.json" \
    "$snapshots/2-pelvaro.json" || failures=$((failures + 1))

# /tmp: Wine keeps its server's socket and lock in a folder there, named in
# the prefix's file "wineserver". In a private /tmp everything else in it was
# made by the sessions or by wineboot.
server_dir=$(cat "$prefix/wineserver" 2>/dev/null || true)
echo "Wine's own folder in /tmp: ${server_dir:-(none named)}"
if [ "$PELVARO_NO_WRITES_INSIDE" = private ]; then
    others=$(find /tmp -mindepth 1 \( "${tmp_prune[@]}" -path "/tmp/${server_dir:-/}" \) -prune \
        -o -printf '  %P\n')
    expect_nothing "$others" "/tmp: expected nothing beside Wine's own folder, found:" \
        "nothing in /tmp beside Wine's own folder"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; snapshots and prefix kept in $work" >&2
    exit 1
fi
# The prefix is large; the snapshots stay. In a shared /tmp, Wine's folder
# for the prefix would outlive it.
cleanup
rm -rf "$prefix"
if [ "$PELVARO_NO_WRITES_INSIDE" = shared ] && [ -n "$server_dir" ]; then rm -rf "/tmp/$server_dir"; fi
echo "all checks passed"
