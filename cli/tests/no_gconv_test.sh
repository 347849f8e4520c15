#!/usr/bin/env bash
# pelvaro-id needs none of the C library's iconv modules: with their folder
# hidden behind an empty one, in a private mount namespace, it still gives
# the codes of every code page. Skipped (77), saying why, where no such
# namespace can be made or the folder is not found.
set -u
program=$1
# The modules lie beside the C library that the program loads.
libc=$(ldd "$program" | awk '$1 ~ /^libc\.so/ { print $3 }')
modules=$(dirname "$(realpath "${libc:-/nonexistent}")")/gconv
[[ -d $modules ]] || { echo "no iconv modules' folder beside the C library (${libc:-not found})"; exit 77; }
private_mounts=$(dirname "$(realpath "$0")")/../../tools/in-private-mounts.sh
why=$("$private_mounts" true 2>&1) || { echo "$why"; exit 77; }
empty=$(mktemp -d)
trap 'rmdir "$empty"' EXIT

output=$("$private_mounts" bash -c '
  mount --bind "$1" "$2" || exit 99
  ls "$2" | grep -q . && { echo "the iconv modules are still there"; exit 98; }
  LC_ALL=C.UTF-8 "$3" hello "İ" 2>&1
  LC_ALL=C.UTF-8 "$3" --code-page 932 "あ" 2>&1
  LC_ALL=C.UTF-8 "$3" --code-page 936 "中" 2>&1
  LC_ALL=C.UTF-8 "$3" --code-page 1258 "Đ" 2>&1' run "$empty" "$modules" "$program")
status=$?
expected=$'2337520240\n63\n4294935200\n4294956752\n240'
if [[ $status -ne 0 || $output != "$expected" ]]; then
  printf 'FAIL: without %s, expected status 0 and\n%s\ngot status %s and\n%s\n' "$modules" "$expected" "$status" "$output"
  exit 1
fi
echo "without $modules: the numbers of 1252, 932, 936 and 1258 as with them"
