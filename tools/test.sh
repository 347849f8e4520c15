#!/usr/bin/env bash
# Builds everything and runs every test: the native engine and command-line
# tool, the same under sanitizers, the fuzz targets for a bounded time, the web
# page in three browser engines, and the two Windows builds, whose tests run
# through Wine (32-bit and 64-bit) on virtual displays. Ends with a summary:
# passed, failed and skipped for each suite, the reason for each skip, and any
# suite this machine cannot run.
#
# The web and Windows suites take longest, so once their builds are made they
# run in the background, side by side, each Windows suite with its own
# display, prefix and Wine server, while the other suites build and run in the
# foreground at a lower priority, filling the time the suites leave free.
# Their output follows at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

step() { printf '\n== %s (%d s)\n' "$*" "$SECONDS"; }

results=$PWD/build/test-results
rm -rf "$results" && mkdir -p "$results"
suites=()   # label=junit file, for the summary
not_run=()  # label=reason
failed=0

# run_suite LABEL CTEST_ARGUMENTS...: a test run that, failing, fails the
# command only after the summary.
run_suite() {
  local label=$1
  shift
  ctest "$@" --output-junit "$results/$label.xml" || failed=1
  suites+=("$label=$results/$label.xml")
}

# in_background LABEL COMMAND...: runs the command in the background, its
# output kept in LABEL.log; finish LABEL waits for it, prints its output, and
# fails the command after the summary if it failed.
declare -A background=()  # label -> pid
in_background() {
  local label=$1
  shift
  "$@" >"$results/$label.log" 2>&1 &
  background[$label]=$!
}
finish() {
  [[ -n ${background[$1]:-} ]] || return 0
  step "$1: waiting for it to finish"
  wait "${background[$1]}" || failed=1
  cat "$results/$1.log"
}

# wine_suite PRESET DISPLAY_FROM: the preset's tests, two at a time (those that
# use the display take turns), on a virtual display numbered from DISPLAY_FROM
# up, with one Wine server kept up for the whole run in the build's own
# prefix, so that a test starts in a fraction of a second instead of booting
# Wine's services each time; the build's wine-run makes the prefix ready on
# that server.
wine_suite() {
  local preset=$1 display_from=$2
  WINEPREFIX=$PWD/build/$preset/wineprefix xvfb-run -a -n "$display_from" -s "-screen 0 1280x1024x24" bash -c '
    wineserver -k 2>/dev/null  # a server an earlier run left behind
    mkdir -p "$WINEPREFIX" && wineserver -p && "$1" || exit 1
    ctest --preset "$2" -j2 --output-junit "$3"; status=$?
    wineserver -k
    exit $status' run "build/$preset/wine-run" "$preset" "$results/$preset.xml"
}

step "Linux build (clang)"
cmake --preset linux >/dev/null
cmake --build --preset linux

step "Web page: the engine in WebAssembly"
cmake --preset web >/dev/null
cmake --build --preset web

step "Fuzz targets"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# The Windows tests compare Windows' own lower case and code tables with the
# Linux stand-in's, which the Linux build writes to this file.
stand_in_tables=$PWD/build/linux/engine/tests/stand-in-tables.bin

step "Windows builds: 32-bit (the release) and 64-bit, with their tests' programs"
cmake --preset win32 -DPELVARO_STAND_IN_TABLES="$stand_in_tables" >/dev/null
cmake --build --preset win32
cmake --preset win64 -DPELVARO_WIN32_BUILD_DIR="$PWD/build/win32" -DPELVARO_STAND_IN_TABLES="$stand_in_tables" >/dev/null
cmake --build --preset win64

# 32-bit Windows programs run through 32-bit Wine, which needs a kernel that
# runs 32-bit x86 programs. Its loader, as the 32-bit build found it, is one:
# if it cannot start, say why.
loader32=$(sed -n 's/^PELVARO_WINE_LOADER:FILEPATH=//p' build/win32/CMakeCache.txt)
if why=$("$loader32" --version 2>&1 >/dev/null); then
  step "32-bit Windows tests through 32-bit Wine: started in the background"
  in_background win32 wine_suite win32 100
  suites+=("win32=$results/win32.xml")
else
  reason="this machine cannot run 32-bit programs: $loader32: ${why:-failed}"
  echo "== 32-bit Windows tests not run: $reason"
  not_run+=("win32=$reason")
fi
step "64-bit Windows tests through Wine: started in the background"
in_background win64 wine_suite win64 200
suites+=("win64=$results/win64.xml")
step "Web page's tests in Chromium, Firefox ESR and WebKitGTK: started in the background"
in_background web web/tests/run.sh "$results"

renice -n 10 -p $$ >/dev/null  # the foreground from here on, and what it starts

# Each fuzz target runs for a set time, whatever else the machine does.
step "Fuzz targets, side by side, each for a set time: started in the background"
in_background fuzz ctest --preset fuzz -j8 --output-junit "$results/fuzz.xml"
suites+=("fuzz=$results/fuzz.xml")

step "Linux tests"
run_suite linux --preset linux -j2

step "Linux tests under UndefinedBehaviorSanitizer and AddressSanitizer (gcc)"
cmake --preset linux-sanitize >/dev/null
cmake --build --preset linux-sanitize
run_suite linux-sanitize --preset linux-sanitize -j2

step "Reproducible release: a second 32-bit build from scratch gives the same bytes"
rm -rf build/win32-again
cmake --preset win32 -B build/win32-again -DBUILD_TESTING=OFF >/dev/null
cmake --build build/win32-again --target Pelvaro pelvaro-id
for exe in app/Pelvaro.exe cli/pelvaro-id.exe; do
  cmp "build/win32/$exe" "build/win32-again/$exe"
  echo "$exe: the same $(stat -c %s "build/win32/$exe") bytes"
done

# The release makes the page's folder afresh: after the page's tests.
finish web
step "Release: the Windows archive and the Debian package, which is then unpacked and tried"
tools/release.sh | sed -n '/^build\/release\//,$p'
tools/check_package.sh build/release/pelvaro-id_*.deb

finish fuzz
finish win32
finish win64
for engine in chromium firefox webkit; do
  if [[ -f $results/web-$engine.not-run ]]; then
    not_run+=("web-$engine=$(<"$results/web-$engine.not-run")")
  else
    suites+=("web-$engine=$results/web-$engine.xml")
  fi
done

step "Summary"
python3 tools/test_summary.py "${suites[@]/#/--suite=}" "${not_run[@]/#/--not-run=}"
exit $failed
