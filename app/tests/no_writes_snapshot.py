#!/usr/bin/env python3
"""Snapshots of what a Wine session can write, and their comparison.

  no_writes_snapshot.py snapshot OUT.json NAME=DIR[:top] ... [--skip DIR ...]
      Records every entry under each DIR (only its own entries with ":top"):
      path, type, size and SHA-256 of files, targets of symbolic links. The
      registry files system.reg, user.reg and userdef.reg found at the top of
      an area are read into keys and values instead; Wine's bookkeeping in them
      (the file header, the modification stamp on each "[key] stamp" line and
      the "#time=" line under it) is kept apart from the keys and values.

  no_writes_snapshot.py compare BEFORE_CONTROL AFTER_CONTROL AFTER_PROGRAM
      The changes from BEFORE_CONTROL to AFTER_CONTROL are what the control
      session wrote (Wine's own writes); those from AFTER_CONTROL to
      AFTER_PROGRAM are what the program's session wrote. Lists the program
      session's changes that the control session made too, as Wine's
      bookkeeping, and fails (status 1) on any other: an entry added, changed
      or removed by the program's session alone.
"""

import hashlib
import json
import os
import stat
import sys

REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")


def file_hash(path):
    digest = hashlib.sha256()
    with open(path, "rb") as stream:
        for block in iter(lambda: stream.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def describe(path):
    """The entry as compared: its type and, for a file, size and content hash."""
    info = os.lstat(path)
    if stat.S_ISLNK(info.st_mode):
        return "link -> " + os.readlink(path)
    if stat.S_ISDIR(info.st_mode):
        return "directory"
    if stat.S_ISREG(info.st_mode):
        return "file, %d bytes, sha256 %s" % (info.st_size, file_hash(path))
    if stat.S_ISSOCK(info.st_mode):
        return "socket"
    if stat.S_ISFIFO(info.st_mode):
        return "fifo"
    return "special file"


def value_name(line):
    """Splits a value line into (name, data): '"name"=data' or '@=data'."""
    if line.startswith("@="):
        return "@", line[2:]
    index = 1
    while index < len(line):
        if line[index] == "\\":
            index += 2
            continue
        if line[index] == '"':
            break
        index += 1
    if not line.startswith('"') or line[index + 1 : index + 2] != "=":
        raise ValueError("not a value line: " + line[:80])
    return line[: index + 1], line[index + 2 :]


def read_registry(path, label, entries, bookkeeping):
    """Reads a Wine registry file into entries (keys and values) and
    bookkeeping (the header and each key's modification stamps)."""
    with open(path, encoding="utf-8", errors="surrogateescape") as stream:
        lines = stream.read().split("\n")
    header = []
    key = None
    index = 0
    while index < len(lines):
        line = lines[index]
        index += 1
        # A hexadecimal value goes on over lines that end in a backslash.
        while line.endswith("\\") and not line.startswith("[") and index < len(lines):
            line = line[:-1] + lines[index].lstrip()
            index += 1
        if key is None and not line.startswith("["):
            if line:
                header.append(line)
            continue
        if not line:
            continue
        if line.startswith("["):
            # "[name] stamp": the stamp is the key's last write time, in
            # seconds; Wine moves it whenever the key is written to.
            close = line.rfind("]")
            key = line[: close + 1]
            entries["registry %s %s" % (label, key)] = "key"
            bookkeeping["registry %s %s stamp" % (label, key)] = line[close + 1 :].strip()
        elif line.startswith("#time="):
            bookkeeping["registry %s %s #time" % (label, key)] = line[len("#time=") :]
        elif line.startswith("#"):
            # "#class=" and "#link": properties of the key itself.
            entries["registry %s %s %s" % (label, key, line.split("=", 1)[0])] = line
        else:
            name, data = value_name(line)
            entries["registry %s %s %s" % (label, key, name)] = data
    bookkeeping["registry %s header" % label] = "\n".join(header)


def snapshot(out, areas, skips):
    entries = {}
    bookkeeping = {}
    skips = {os.path.realpath(skip) for skip in skips}
    for area in areas:
        name, root = area.split("=", 1)
        top_only = root.endswith(":top")
        if top_only:
            root = root[: -len(":top")]
        root = os.path.realpath(root)
        for directory, subdirectories, files in os.walk(root):
            subdirectories[:] = sorted(
                sub for sub in subdirectories if os.path.join(directory, sub) not in skips
            )
            for entry in sorted(subdirectories + files):
                path = os.path.join(directory, entry)
                if path in skips:
                    continue
                relative = os.path.relpath(path, root)
                if directory == root and entry in REGISTRY_FILES and os.path.isfile(path):
                    entries["file %s/%s" % (name, relative)] = "registry file, compared by keys and values"
                    read_registry(path, entry, entries, bookkeeping)
                else:
                    entries["file %s/%s" % (name, relative)] = describe(path)
            if top_only:
                subdirectories[:] = []
    with open(out, "w", encoding="utf-8", errors="surrogateescape") as stream:
        json.dump({"entries": entries, "bookkeeping": bookkeeping}, stream, indent=0, sort_keys=True)


def load(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as stream:
        return json.load(stream)


def changes(before, after):
    """{entry: (kind, old, new)} for each entry added, changed or removed."""
    result = {}
    for entry in before.keys() | after.keys():
        old = before.get(entry)
        new = after.get(entry)
        if old == new:
            continue
        kind = "added" if old is None else "removed" if new is None else "changed"
        result[entry] = (kind, old, new)
    return result


def shorten(text, limit=160):
    if text is None:
        return "(none)"
    text = text.replace("\n", " | ")
    return text if len(text) <= limit else text[:limit] + "..."


def compare(before_control, after_control, after_program):
    control = {}
    program = {}
    for part in ("entries", "bookkeeping"):
        control.update(changes(before_control[part], after_control[part]))
        program.update(changes(after_control[part], after_program[part]))
    bookkeeping_parts = set(after_program["bookkeeping"]) | set(after_control["bookkeeping"])

    wine_own = []
    alone = []
    for entry in sorted(program):
        kind, old, new = program[entry]
        # Wine's own when the control session made the same kind of change to
        # the same entry: the value it writes (a time, a counter) may differ.
        if entry in control and control[entry][0] == kind:
            wine_own.append((entry, kind, old, new))
        else:
            alone.append((entry, kind, old, new))

    print("The control session (bare_window.exe) changed %d entries" % len(control))
    print("Wine's own writes: what the Pelvaro session changed that the control session changed too:")
    for line in listing(wine_own, bookkeeping_parts):
        print("  " + line)
    if not alone:
        print("ok: the Pelvaro session added, changed and removed nothing beyond Wine's own writes")
        return 0
    print("FAIL: expected no change beyond Wine's own writes; the Pelvaro session alone made these:")
    for line in listing(alone, bookkeeping_parts, detailed=True):
        print("  " + line)
    return 1


def listing(found, bookkeeping_parts, detailed=False):
    """Lines for the changes: a key's two modification stamps make one line,
    "key written to"; a value or file gives its kind, and with detailed its
    contents before and after."""
    lines = []
    stamped = set()
    for entry, kind, old, new in found:
        if entry in bookkeeping_parts:
            key, _, part = entry.rpartition(" ")
            if part in ("stamp", "#time"):
                if key not in stamped:
                    stamped.add(key)
                    lines.append("key written to (its modification time moved): " + key)
                continue
            lines.append("bookkeeping %s: %s" % (kind, entry))
        elif detailed:
            lines.append("%s %s" % (kind, entry))
            lines.append("    before: %s" % shorten(old))
            lines.append("    after:  %s" % shorten(new))
        else:
            lines.append("%s %s: %s -> %s" % (kind, entry, shorten(old, 60), shorten(new, 60)))
    return lines


def main(argv):
    if len(argv) >= 3 and argv[1] == "snapshot":
        areas = []
        skips = []
        arguments = iter(argv[3:])
        for argument in arguments:
            if argument == "--skip":
                skips.append(next(arguments))
            else:
                areas.append(argument)
        snapshot(argv[2], areas, skips)
        return 0
    if len(argv) == 5 and argv[1] == "compare":
        return compare(load(argv[2]), load(argv[3]), load(argv[4]))
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
