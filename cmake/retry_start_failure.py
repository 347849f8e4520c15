#!/usr/bin/env python3
"""Runs a test program through Wine, and once more only when Wine failed to
start it: the program ended with a failure status before writing any output of
its own, having written nothing at all or only what Wine writes when it cannot
start a program. Every other failure stands at once.

    retry_start_failure.py WINE_RUN PROGRAM [ARGUMENT...]

Its output passes through as it comes. A second try is announced on standard
error by a line that starts with SECOND_TRY, which the test command's summary
looks for to name the test. A run that fails for good ends with a line that
starts with ENDED: its exit status, the signal that ended Wine if one did, and
whether the program's tests had all passed by then, so that it failed as it
ended. Standard input is not passed on: test programs read none.
"""
import os
import re
import selectors
import signal
import subprocess
import sys

SECOND_TRY = "retry_start_failure: Wine did not start "
ENDED = "retry_start_failure: ended with exit status "
# What Wine itself writes when it cannot start a program: its loader's
# messages, and those of start.exe, through which it starts the first one.
WINE_START_FAILURE = re.compile(rb"(wine: |Application could not be started|ShellExecuteEx failed).*\r?\n?")


def run(arguments):
    """Runs the command, passing its output on as it comes; returns its status
    (minus the signal's number where a signal ended it) and all it wrote on
    either stream. Once it has ended, what it wrote is read to the last
    byte, but no more is waited for: the streams may stay open long after,
    held by a process that Wine started from it (the desktop's
    explorer.exe)."""
    process = subprocess.Popen(arguments, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    sinks = {process.stdout: sys.stdout.buffer, process.stderr: sys.stderr.buffer}
    streams = selectors.DefaultSelector()
    for stream in sinks:
        os.set_blocking(stream.fileno(), False)
        streams.register(stream, selectors.EVENT_READ)
    seen = []
    ended = False
    while streams.get_map():
        ready = streams.select(timeout=0 if ended else 0.1)
        if not ready and ended:
            break  # ended, and nothing of its own is left to read
        for key, _ in ready:
            chunk = os.read(key.fd, 65536)
            if not chunk:
                streams.unregister(key.fileobj)
                continue
            seen.append(chunk)
            sinks[key.fileobj].write(chunk)
            sinks[key.fileobj].flush()
        ended = ended or process.poll() is not None
    return process.wait(), b"".join(seen)


def failed_to_start(status, output):
    """A failure with no output of the program's own: every line is Wine's."""
    return status != 0 and all(WINE_START_FAILURE.fullmatch(line) for line in output.splitlines(True))


def exit_status(status):
    """The status as a shell gives it: 128 plus the number of a signal."""
    return 128 - status if status < 0 else status


def how_it_ended(status, output):
    """The exit status of a failed run, with what it tells."""
    said = [str(exit_status(status))]
    if status < 0:
        said.append(f"(Wine ended by signal {-status}: {signal.strsignal(-status) or 'unknown'})")
    if b"[  PASSED  ]" in output and b"[  FAILED  ]" not in output:
        said.append("after every test in it had passed: it failed as it ended")
    return " ".join(said)


def main(arguments):
    if len(arguments) < 2:
        sys.exit(__doc__)
    status, output = run(arguments)
    if failed_to_start(status, output):
        shown = output.decode("utf-8", "replace").strip() or "no output at all"
        print(f"{SECOND_TRY}{arguments[1]} (exit status {exit_status(status)}, {shown}); trying once more",
              file=sys.stderr, flush=True)
        status, output = run(arguments)
    if status != 0:
        print(f"{ENDED}{how_it_ended(status, output)}", file=sys.stderr, flush=True)
    return exit_status(status)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
