#!/usr/bin/env python3
"""Runs a test program through Wine, and once more only when Wine failed to
start it: the program ended with a failure status before writing any output of
its own, having written nothing at all or only what Wine writes when it cannot
start a program. Every other failure stands at once.

    retry_start_failure.py WINE_RUN PROGRAM [ARGUMENT...]

Its output passes through as it comes. A second try is announced on standard
error by a line that starts with MARK, which the test command's summary looks
for to name the test. Standard input is not passed on: test programs read none.
"""
import re
import subprocess
import sys
import threading
import time

MARK = "retry_start_failure: "
RELAY_AFTER_EXIT_SECONDS = 0.25  # ample for what is left in a pipe
# What Wine itself writes when it cannot start a program: its loader's
# messages, and those of start.exe, through which it starts the first one.
WINE_START_FAILURE = re.compile(rb"(wine: |Application could not be started|ShellExecuteEx failed).*\r?\n?")


def relay(source, sink, seen):
    for chunk in iter(lambda: source.read1(65536), b""):
        seen.append(chunk)
        sink.write(chunk)
        sink.flush()


def run(arguments):
    """Runs the command, passing its output on; returns its status and all it
    wrote on either stream."""
    process = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    seen = []
    relays = [threading.Thread(target=relay, args=(process.stdout, sys.stdout.buffer, seen), daemon=True),
              threading.Thread(target=relay, args=(process.stderr, sys.stderr.buffer, seen), daemon=True)]
    for thread in relays:
        thread.start()
    status = process.wait()
    # What the program wrote is read at once; the streams themselves may stay
    # open for long after, held by a process that Wine started from it (the
    # desktop's explorer.exe), and are not waited for.
    deadline = time.monotonic() + RELAY_AFTER_EXIT_SECONDS
    for thread in relays:
        thread.join(max(0.0, deadline - time.monotonic()))
    return (128 - status if status < 0 else status), b"".join(seen)


def failed_to_start(status, output):
    """A failure with no output of the program's own: every line is Wine's."""
    return status != 0 and all(WINE_START_FAILURE.fullmatch(line) for line in output.splitlines(True))


def main(arguments):
    if len(arguments) < 2:
        sys.exit(__doc__)
    status, output = run(arguments)
    if failed_to_start(status, output):
        shown = output.decode("utf-8", "replace").strip() or "no output at all"
        print(f"{MARK}Wine did not start {arguments[1]} (exit status {status}, {shown}); "
              "trying once more", file=sys.stderr, flush=True)
        status, _ = run(arguments)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
