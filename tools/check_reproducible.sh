#!/usr/bin/env bash
# Checks that the release builds reproducibly: the 32-bit executables built a
# second time from scratch, in build/win32-again, are the same bytes as the
# win32 build's.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf build/win32-again
cmake --preset win32 -B build/win32-again -DBUILD_TESTING=OFF >/dev/null
cmake --build build/win32-again --target Pelvaro pelvaro-id >/dev/null
for exe in app/Pelvaro.exe cli/pelvaro-id.exe; do
  cmp "build/win32/$exe" "build/win32-again/$exe"
  echo "$exe: the same $(stat -c %s "build/win32/$exe") bytes"
done
