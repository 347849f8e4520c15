#!/usr/bin/env python3
"""Measures the Windows text services under Wine and writes them into
engine/tables/, the data that the stand-in text services carry on every
platform but Windows.

    python3 tools/windows_tables.py [--check]

What it does:
  1. builds pelvaro_table_dump.exe with the win64 preset in build/windows-tables,
     the engine over Windows' own CharLowerBuffW and WideCharToMultiByte
     (WC_NO_BEST_FIT_CHARS);
  2. runs it under 64-bit Wine ($WINE, else /usr/lib/wine/wine64), in a fresh
     prefix in a temporary folder (its first start takes about 20 s), and reads
     the lower case of every 16-bit unit and the code of every unit in each
     carried code page (engine/tests/table_file.h);
  3. writes engine/tables/lower-case.bin and one cp<N>.bin a code page, in the
     compact form below, and engine/tables/README.md, which names the Wine
     that made them. With --check it writes nothing and fails when the
     committed files are not what it would write.

The compact form (engine/carried_tables.cpp reads it): a table lists the units
whose value is not the default (the unit itself for the lower case, "?" for a
code), in rising order, as records of LEB128 numbers:
    head              (more << 1) | gapped
    gap               only when gapped: units skipped since the last one
    zigzag(delta)     the value less its guess: the last value moved on as far
                      as the unit has (so a run of equal offsets guesses right)
and then `more` units that follow it, their values counting up by one.
Arithmetic on values is modulo 2^16; the first guess is from unit -1, value -1.
"""
import argparse
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
TABLES = ROOT / "engine" / "tables"
UNITS = 0x10000
QUESTION_MARK = 63
# Code pages whose codes are worked out rather than carried.
WORKED_OUT = {65001}


def table_name(tag):
    return "lower-case.bin" if tag == 0 else f"cp{tag}.bin"


def read_dump(path):
    """The tables of a dump, as {tag: list of 65,536 values}, in file order."""
    data = pathlib.Path(path).read_bytes()
    block = 4 + 2 * UNITS
    if not data or len(data) % block:
        sys.exit(f"{path}: not a whole number of tables")
    tables = {}
    for at in range(0, len(data), block):
        (tag,) = struct.unpack_from("<I", data, at)
        tables[tag] = list(struct.unpack_from(f"<{UNITS}H", data, at + 4))
    return tables


def dump_under_wine(folder):
    """Builds the Windows table dump, runs it under 64-bit Wine, reads it."""
    wine = os.environ.get("WINE", "/usr/lib/wine/wine64")
    build = ROOT / "build" / "windows-tables"
    subprocess.run(["cmake", "--preset", "win64", "-B", str(build)], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "pelvaro_table_dump"], check=True)
    program = build / "engine" / "tests" / "pelvaro_table_dump.exe"
    env = dict(os.environ, WINEPREFIX=str(folder / "wineprefix"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")
    print("Running pelvaro_table_dump.exe under Wine (a new prefix: about 20 s)", file=sys.stderr)
    try:
        subprocess.run([wine, str(program), "Z:" + str(folder / "windows.bin")], env=env, check=True)
        version = subprocess.run([wine, "--version"], env=env, check=True, capture_output=True,
                                 text=True).stdout.strip()
    finally:
        subprocess.run(["wineserver", "-k"], env=env, check=False)
    return read_dump(folder / "windows.bin"), version


def leb128(number):
    out = bytearray()
    while True:
        byte, number = number & 0x7F, number >> 7
        out.append(byte | (0x80 if number else 0))
        if not number:
            return bytes(out)


def zigzag(delta):
    delta = ((delta + 0x8000) & 0xFFFF) - 0x8000
    return delta << 1 if delta >= 0 else ((-delta) << 1) - 1


def encode(tag, values):
    """The compact form of one table."""
    default = (lambda unit: unit) if tag == 0 else (lambda unit: QUESTION_MARK)
    pairs = [(unit, value) for unit, value in enumerate(values) if value != default(unit)]
    out = bytearray()
    last_unit, last_value = -1, 0xFFFF
    at = 0
    while at < len(pairs):
        unit, value = pairs[at]
        end = at + 1
        while (end < len(pairs) and pairs[end][0] == pairs[end - 1][0] + 1
               and pairs[end][1] == (pairs[end - 1][1] + 1) & 0xFFFF):
            end += 1
        gap = unit - last_unit - 1
        out += leb128((end - at - 1) << 1 | (gap != 0))
        if gap:
            out += leb128(gap)
        out += leb128(zigzag(value - (last_value + unit - last_unit)))
        last_unit, last_value = pairs[end - 1]
        at = end
    return bytes(out)


def readme(version, sizes):
    rows = "\n".join(f"| `{name}` | {size:,} |" for name, size in sizes)
    total = sum(size for _, size in sizes)
    return f"""# Carried text tables

Made by `tools/windows_tables.py` under {version}; run it again rather than
editing these files.

The lower case of every 16-bit unit (Windows' `CharLowerBuffW`) and the code of
every unit in each code page (Windows' `WideCharToMultiByte` without best fit),
which the text services read on every platform but Windows. The tool's own
description gives the form.

| File | Bytes |
|---|---|
{rows}
| all | {total:,} |
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="write nothing; fail when the committed tables are out of date")
    arguments = parser.parse_args()
    folder = pathlib.Path(tempfile.mkdtemp(prefix="windows-tables-"))
    try:
        tables, version = dump_under_wine(folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    files = {table_name(tag): encode(tag, values) for tag, values in tables.items() if tag not in WORKED_OUT}
    files["README.md"] = readme(version, [(name, len(data)) for name, data in files.items()]).encode()
    if arguments.check:
        stale = [name for name, data in files.items()
                 if not (TABLES / name).exists() or (TABLES / name).read_bytes() != data]
        if stale:
            sys.exit(f"engine/tables is out of date ({', '.join(stale)}): run tools/windows_tables.py")
        print(f"engine/tables is up to date with {version}")
        return
    TABLES.mkdir(exist_ok=True)
    for name, data in files.items():
        (TABLES / name).write_bytes(data)
    print(f"wrote {len(files)} files to engine/tables, measured under {version}")


if __name__ == "__main__":
    main()
