#!/usr/bin/env bash
# Exits 0 where this machine runs 32-bit x86 programs, and 1 where it does not
# (some kernels answer "Exec format error"): a 93-byte ELF program that only
# exits, started.
set -euo pipefail
program=$(mktemp)
trap 'rm -f "$program"' EXIT
header='\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0'
segment='\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0'
code='\xb8\x01\0\0\0\x31\xdb\xcd\x80'  # exit(0), through int 0x80
printf "$header$segment$code" >"$program"
chmod +x "$program"
"$program" 2>/dev/null || exit 1
