#!/usr/bin/env bash
# Runs a command as on a machine that cannot run 32-bit programs, to try that
# path where 32-bit programs do run:
#
#     tools/without-32-bit.sh tools/test.sh
#
# In a private mount namespace (tools/in-private-mounts.sh), 32-bit Wine's
# loader is covered by an ELF header for no machine at all, which the kernel
# refuses as such a kernel refuses a 32-bit program: "Exec format error".
# Nothing outside the command sees it, and it is gone when the command ends.
set -euo pipefail
[[ $# -gt 0 ]] || { echo "usage: $0 COMMAND [ARGUMENT...]" >&2; exit 2; }
loader=/usr/lib/wine/wine
[[ -e $loader ]] || { echo "$0: there is no 32-bit Wine loader at $loader to cover" >&2; exit 1; }
stub=$(mktemp)
trap 'rm -f "$stub"' EXIT
printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\0\0\x01\0\0\0' >"$stub"  # e_machine 0: none
chmod +x "$stub"
"$(dirname "$0")/in-private-mounts.sh" bash -c 'mount --bind "$1" "$2" && shift 2 && "$@"' run "$stub" "$loader" "$@"
