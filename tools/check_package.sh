#!/usr/bin/env bash
# Checks the Debian package of pelvaro-id as a user meets it: unpacked with
# dpkg-deb into a folder of its own, the program run from there on a few
# addresses, and its manual page rendered by man without a warning.
#
#   check_package.sh PACKAGE.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0

# expect WHAT EXPECTED ACTUAL
expect() {
  if [[ $3 == "$2" ]]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: expected '$2', got '$3'" >&2
    failures=$((failures + 1))
  fi
}

dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/pelvaro-id
page=$(find "$root/usr/share/man/man1" -name 'pelvaro-id.1*' | head -n 1)
depends=$(dpkg-deb --field "$deb" Depends)

expect "the package is pelvaro-id" pelvaro-id "$(dpkg-deb --field "$deb" Package)"
expect "it depends on the C library" yes "$([[ $depends == *libc6* ]] && echo yes || echo "no ($depends)")"
expect "pelvaro-id in usr/bin" yes "$([[ -x $program ]] && echo yes || echo no)"
expect "addresses as arguments" $'999494\n2337520240\n0' "$("$program" ABC hello '')"
expect "addresses from standard input" $'999494\n2337520240' "$(printf 'abc\r\nHello\n' | "$program")"
expect "its version" "pelvaro-id $(dpkg-deb --field "$deb" Version)" "$("$program" --version)"
expect "a manual page in usr/share/man/man1" yes "$([[ -n $page ]] && echo yes || echo no)"
if [[ -n $page ]]; then
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  expect "man renders the page without a warning" "" "$warnings"
  expect "the page names the program" yes \
    "$(MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q '^NAME' && echo yes || echo no)"
fi
((failures == 0))
