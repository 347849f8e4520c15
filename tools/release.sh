#!/usr/bin/env bash
# Builds the release into build/release/:
#   Pelvaro-VERSION-windows.zip: both Windows builds, 32-bit and 64-bit, with
#     the read-me for Windows users;
#   pelvaro-id_VERSION_ARCH.deb: pelvaro-id and its manual page for Debian;
#   Pelvaro-VERSION-web.zip: the web page, a folder of static files;
#   SHA256SUMS: the checksums of the three, as the executables are unsigned.
# The Windows executables carry no time stamp, and the entries of both
# archives are dated with the version's release date (PELVARO_RELEASE_DATE in
# CMakeLists.txt), so the same sources give the same archives, from a clone or
# from a source archive alike.
#
# With --packed-from-builds it packs what the builds in build/ hold, as the
# test command does once it has made them, instead of building first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} != --packed-from-builds ]]; then
  tools/install-deps.sh test
  for preset in win32 win64 linux web; do
    cmake --preset "$preset" >/dev/null
  done
  cmake --build --preset win32 --target Pelvaro pelvaro-id
  cmake --build --preset win64 --target Pelvaro pelvaro-id
  cmake --build --preset linux --target pelvaro-id
  rm -rf build/web/page && cmake --build --preset web  # the page's folder afresh: nothing left over
fi

cache_value() { sed -n "s/^$1:[A-Z]*=//p" build/win32/CMakeCache.txt; }
version=$(cache_value CMAKE_PROJECT_VERSION)
date=$(cache_value PELVARO_RELEASE_DATE)
if ! [[ $date =~ ^([0-9]{4})-([0-9]{2})-([0-9]{2})$ ]]; then
  echo "release.sh: PELVARO_RELEASE_DATE in CMakeLists.txt must be YYYY-MM-DD, not '$date'" >&2
  exit 1
fi
stamp=${BASH_REMATCH[1]}${BASH_REMATCH[2]}${BASH_REMATCH[3]}0000.00

name=Pelvaro-$version
stage=build/release/$name
rm -rf build/release && mkdir -p "$stage/x86" "$stage/x64"
cp build/win32/app/Pelvaro.exe build/win32/cli/pelvaro-id.exe "$stage/x86/"
cp build/win64/app/Pelvaro.exe build/win64/cli/pelvaro-id.exe "$stage/x64/"
sed 's/$/\r/' docs/README-windows.txt > "$stage/README.txt"
find "$stage" -exec env TZ=UTC touch -t "$stamp" {} +
(cd build/release && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$name-windows.zip" -@)

(cd build/linux && SOURCE_DATE_EPOCH=$(TZ=UTC date -d "$date" +%s) cpack -G DEB -B "$PWD/../release/deb" >/dev/null)
mv build/release/deb/*.deb build/release/
rm -rf build/release/deb

web=build/release/$name-web
cp -R build/web/page "$web"
find "$web" -exec env TZ=UTC touch -t "$stamp" {} +
(cd build/release && find "$name-web" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$name-web.zip" -@)
rm -rf "$web"

(cd build/release && sha256sum "$name-windows.zip" "$name-web.zip" pelvaro-id_*.deb > SHA256SUMS)

echo "build/release/$name-windows.zip, entries dated $date:"
unzip -l "build/release/$name-windows.zip"
for package in build/release/*.deb; do
  echo "$package:"
  dpkg-deb --field "$package" Package Version Architecture Depends
done
echo "build/release/$name-web.zip:"
unzip -l "build/release/$name-web.zip"
echo "build/release/SHA256SUMS:"
cat build/release/SHA256SUMS
