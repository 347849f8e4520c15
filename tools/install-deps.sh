#!/usr/bin/env bash
# Installs what building, running and testing Pelvaro need on Debian 12 or 13,
# as root, by package names both releases have.
# Packages already present are left alone, so a second run costs nothing. While
# apt works, a line every few seconds says how far it has come.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-dev                 # native build and fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev valgrind         # tests and benchmarks
  g++-mingw-w64-i686 g++-mingw-w64-x86-64                     # Windows cross compilers and windres
  wine wine64 wine32:i386 xvfb xauth xdotool imagemagick      # running both Windows builds here
  x11-utils
  emscripten nodejs chromium fonts-liberation                 # the web page, its tests in Chromium,
  firefox-esr webkit2gtk-driver locales                       # Firefox ESR and WebKitGTK (in a locale per language)
  git zip unzip dpkg-dev file python3 man-db groff-base       # release archive, Debian package, help, test scripts
)
# npm: Debian's own package, unless the Node.js installed brings its own.
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]})) || exit 0

started=$SECONDS
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive

# Runs an apt-get command. Its own output goes to the log, shown only when it
# fails; from its status lines a line is printed at each new stage and at most
# every 5 seconds within one, with the seconds since the start.
apt_with_progress() {
  local kind percent what stage last="" shown=0
  if ! apt-get -o APT::Status-Fd=3 "$@" 3>&1 >"$log" 2>&1 | while IFS=: read -r kind _ percent what; do
    case $kind in
      dlstatus) stage=downloading ;;
      pmstatus) stage=installing ;;
      *) continue ;;
    esac
    if [[ $stage != "$last" ]] || ((SECONDS - shown >= 5)); then
      printf '  %s: %s%% (%s), %d s\n' "$stage" "${percent%%.*}" "$what" $((SECONDS - started))
      last=$stage shown=$SECONDS
    fi
  done; then
    echo "apt-get $* failed:" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
}

echo "Installing ${#missing[@]} packages: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "  adding the i386 architecture, for 32-bit Wine"
  dpkg --add-architecture i386
fi
echo "  reading the package lists ($((SECONDS - started)) s)"
apt_with_progress update -q
apt_with_progress install -y -q "${missing[@]}"
echo "Installed in $((SECONDS - started)) s."
