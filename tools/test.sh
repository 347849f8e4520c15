#!/usr/bin/env bash
# Builds everything and runs every test: the native engine and command-line
# tool, the same under sanitizers, the fuzz targets for a bounded time, and the
# Windows builds, whose tests run through Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

step() { printf '\n== %s\n' "$*"; }

step "Linux build and tests"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

step "Linux tests under UndefinedBehaviorSanitizer and AddressSanitizer"
cmake --preset linux-sanitize >/dev/null
cmake --build --preset linux-sanitize
ctest --preset linux-sanitize

step "Fuzz targets, each for a bounded time"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

step "32-bit Windows build (the release)"
cmake --preset win32 >/dev/null
cmake --build --preset win32

step "Reproducible release: a second 32-bit build from scratch gives the same bytes"
rm -rf build/win32-again
cmake --preset win32 -B build/win32-again >/dev/null
cmake --build build/win32-again --target Pelvaro pelvaro-id
for exe in app/Pelvaro.exe cli/pelvaro-id.exe; do
  cmp "build/win32/$exe" "build/win32-again/$exe"
  echo "$exe: the same $(stat -c %s "build/win32/$exe") bytes"
done

step "64-bit Windows build"
cmake --preset win64 -DPELVARO_WIN32_BUILD_DIR="$PWD/build/win32" >/dev/null
cmake --build --preset win64

step "Release archive"
tools/release.sh | tail -n 9

step "Windows tests through Wine"
# One Wine server for the whole run on the virtual display, kept up between
# tests: a test then starts in a fraction of a second instead of booting
# Wine's services each time.
export WINEPREFIX=$PWD/build/win64/wineprefix
mkdir -p "$WINEPREFIX"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -k 2>/dev/null; wineserver -p && build/win64/wine-run cmd /c exit || exit 1
  ctest --preset win64; status=$?
  wineserver -k
  exit $status'
