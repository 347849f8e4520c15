#!/usr/bin/env bash
# Builds the Windows release, 32-bit and 64-bit, and packs it with the read-me
# for Windows users into build/release/Pelvaro-VERSION-windows.zip. The
# executables carry no time stamp, and the archive's entries are dated from
# the commit, so the same commit always gives the same archive.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target Pelvaro pelvaro-id
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
name=Pelvaro-$version
stage=build/release/$name
rm -rf build/release && mkdir -p "$stage/x86" "$stage/x64"
cp build/win32/app/Pelvaro.exe build/win32/cli/pelvaro-id.exe "$stage/x86/"
cp build/win64/app/Pelvaro.exe build/win64/cli/pelvaro-id.exe "$stage/x64/"
sed 's/$/\r/' docs/README-windows.txt > "$stage/README.txt"

stamp=$(git log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || echo 202601010000.00)
find "$stage" -exec touch -t "$stamp" {} +
(cd build/release && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$name-windows.zip" -@)
echo "build/release/$name-windows.zip:"
unzip -l "build/release/$name-windows.zip"
