#!/usr/bin/env python3
"""Writes a binary file as a script for the web page, in base64.

    data_script.py STATEMENT IN.bin OUT.js

STATEMENT is the script's one statement with {} where the data go, as a
string: 'pelvaroCodePageData(932,{})' for a code page's table, which the page
loads with a script element when the code page is chosen. A script element
loads where a browser refuses to fetch a file: from the disk (file://) too.
"""
import base64
import sys


def main(argv):
    if len(argv) != 4 or argv[1].count("{}") != 1:
        sys.exit("usage: data_script.py STATEMENT-WITH-{} IN.bin OUT.js")
    statement, data_file, script = argv[1:]
    with open(data_file, "rb") as data:
        encoded = base64.b64encode(data.read()).decode("ascii")
    with open(script, "w", encoding="ascii", newline="\n") as out:
        out.write(statement.replace("{}", f'"{encoded}"') + ";\n")


if __name__ == "__main__":
    main(sys.argv)
