#!/usr/bin/env bash
# Installs what building, running and testing Pelvaro need on Debian 12, as root.
# Packages already present are left alone, so a second run costs nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev              # native build and fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev valgrind         # tests and benchmarks
  g++-mingw-w64-i686 g++-mingw-w64-x86-64                     # Windows cross compilers and windres
  wine wine64 xvfb xauth xdotool imagemagick x11-utils        # running the Windows build here
  zip python3                                                 # the release archive; test scripts
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
