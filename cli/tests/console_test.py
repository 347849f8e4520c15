#!/usr/bin/env python3
"""pelvaro-id.exe at a console, under Wine.

Wine gives a program started on a terminal a console of its own whose input
and output are that terminal, so the tests type on a pseudo-terminal and read
what the console shows there. The terminal's own signal keys are turned off,
so that Ctrl+Z reaches the console as a character, as it does on Windows,
instead of stopping the emulator.

    console_test.py EMULATOR PROGRAM RAW_CONSOLE_RUN

RAW_CONSOLE_RUN leaves the console without line input before it runs the
program, as a program that reads single keys may leave it.

Waits for each answer up to a generous limit, only as a guard against a hang.
"""
import os
import pty
import re
import select
import subprocess
import sys
import termios
import time

EMULATOR, PROGRAM, RAW_CONSOLE_RUN = sys.argv[1:4]
GUARD_SECONDS = 120
CTRL_Z = "\x1a"


class Console:
    """pelvaro-id.exe with a console for its standard input, and for its
    standard output unless that is a pipe."""

    def __init__(self, *arguments, output_to_pipe=False, program=PROGRAM):
        master, slave = pty.openpty()
        attributes = termios.tcgetattr(slave)
        attributes[0] &= ~(termios.ICRNL | termios.IXON)
        attributes[3] &= ~(termios.ISIG | termios.ICANON | termios.ECHO | termios.IEXTEN)
        termios.tcsetattr(slave, termios.TCSANOW, attributes)
        self.process = subprocess.Popen(
            [EMULATOR, program, *arguments], stdin=slave,
            stdout=subprocess.PIPE if output_to_pipe else slave, stderr=slave,
            start_new_session=True)
        os.close(slave)
        self.terminal = master
        self.received = b""
        self.shown = ""  # what the console has shown, without control sequences and CRs
        self.seen = 0    # how much of it the test has looked at

    def type(self, text):
        os.write(self.terminal, text.encode("utf-8"))

    def read_terminal(self, deadline):
        ready, _, _ = select.select([self.terminal], [], [], max(0.0, deadline - time.monotonic()))
        if not ready:
            return False
        try:
            data = os.read(self.terminal, 65536)
        except OSError:
            return False
        # Made again from all the bytes, so that a sequence cut by a read is whole.
        self.received += data
        text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", self.received.decode("utf-8", "replace"))
        self.shown = text.replace("\r", "")
        return bool(data)

    def expect_shown(self, text):
        """Waits until the console shows text after what was seen before."""
        deadline = time.monotonic() + GUARD_SECONDS
        while text not in self.shown[self.seen:]:
            if not self.read_terminal(deadline):
                fail(f"the console did not show {text!r}; it showed {self.shown!r}")
        self.seen = self.shown.index(text, self.seen) + len(text)

    def expect_exit(self, status):
        try:
            got = self.process.wait(GUARD_SECONDS)
        except subprocess.TimeoutExpired:
            self.process.kill()
            fail(f"the program did not end; the console showed {self.shown!r}")
        if got != status:
            fail(f"exit status {got}, not {status}; the console showed {self.shown!r}")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        os.close(self.terminal)


def fail(message):
    print(f"FAILED: {message}")
    sys.exit(1)


def answers_each_typed_line_and_ends_at_ctrl_z():
    console = Console("--code-page", "1252")
    try:
        console.type("abc\r")
        console.expect_shown("999494\n")  # before the input has ended
        console.type("Hello\r")
        console.expect_shown("2337520240\n")
        console.type("\u00c9lan\r")  # typed text reaches the program as UTF-16
        console.expect_shown("241171748\n")
        console.type(CTRL_Z + "\r")
        console.expect_exit(0)
    finally:
        console.close()


def text_before_ctrl_z_is_the_last_line():
    console = Console("--code-page=932")
    try:
        console.type("\u3042\r")
        console.expect_shown("4294935200\n")
        console.type("zzzzz" + CTRL_Z + "\r")
        console.expect_shown("4232388018\n")
        console.expect_exit(0)
    finally:
        console.close()


def windows_path(path):
    """The path as a Windows program names it: Wine's drive Z: is the root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def typed_lines_are_edited_by_the_console_whatever_mode_it_was_left_in():
    console = Console(windows_path(PROGRAM), "--code-page", "1252", program=RAW_CONSOLE_RUN)
    try:
        console.type("abx\x7f\r")  # Backspace takes the x away
        console.expect_shown("9895\n")
        console.type(CTRL_Z + "\r")
        console.expect_shown("[exit:0,input-mode:0]\n")  # the mode found is put back
        console.expect_exit(0)
    finally:
        console.close()


def output_to_a_pipe_stays_bytes():
    console = Console(output_to_pipe=True)
    try:
        console.type("abc\rhello\r" + CTRL_Z + "\r")
        output = console.process.communicate(timeout=GUARD_SECONDS)[0]
        if output != b"999494\r\n2337520240\r\n":
            fail(f"standard output was {output!r}")
        console.expect_exit(0)
    finally:
        console.close()


def help_shows_at_the_console():
    console = Console("--help")
    try:
        console.expect_shown("Usage: pelvaro-id [--code-page N] [--] [ADDRESS...]\n")
        console.expect_shown("Ctrl+Z then Enter")
        console.expect_exit(0)
    finally:
        console.close()


for test in (answers_each_typed_line_and_ends_at_ctrl_z, text_before_ctrl_z_is_the_last_line,
             typed_lines_are_edited_by_the_console_whatever_mode_it_was_left_in,
             output_to_a_pipe_stays_bytes, help_shows_at_the_console):
    test()
    print(f"passed: {test.__name__}")
