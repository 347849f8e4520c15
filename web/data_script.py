#!/usr/bin/env python3
"""Writes a binary file as a script for the web page, in base64.

    data_script.py [--number N] STATEMENT IN.bin OUT.js

STATEMENT is the script's one statement with {} where the data go, as a
string: 'pelvaroCodePageData(932,{})' for a code page's table, which the page
loads with a script element when the code page is chosen. A script element
loads where a browser refuses to fetch a file: from the disk (file://) too.

With --number, the data start with N as four bytes, low byte first: a code
page's table carries its code page's number, so that a table put in another's
place is refused.
"""
import base64
import sys


def main(argv):
    number = None
    if len(argv) > 2 and argv[1] == "--number":
        number = int(argv[2])
        argv = argv[:1] + argv[3:]
    if len(argv) != 4 or argv[1].count("{}") != 1:
        sys.exit("usage: data_script.py [--number N] STATEMENT-WITH-{} IN.bin OUT.js")
    statement, data_file, script = argv[1:]
    with open(data_file, "rb") as data:
        payload = data.read()
    if number is not None:
        payload = number.to_bytes(4, "little") + payload
    encoded = base64.b64encode(payload).decode("ascii")
    with open(script, "w", encoding="ascii", newline="\n") as out:
        out.write(statement.replace("{}", f'"{encoded}"') + ";\n")


if __name__ == "__main__":
    main(sys.argv)
