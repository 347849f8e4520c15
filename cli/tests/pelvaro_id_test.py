#!/usr/bin/env python3
"""pelvaro-id seen from outside, as a process: its arguments, standard input,
code pages, messages and exit statuses, its help, and how it meets a closed
pipe, a full disk, a failed read, typed input and a million lines.

One harness for every build: the native program, and the Windows ones run
through Wine (--emulator), where the output's lines end with CRLF and typed
input comes from a console that Wine makes of a terminal.

    pelvaro_id_test.py --list
    pelvaro_id_test.py [--emulator WINE_RUN] [--raw-console-run EXE] [--page PAGE]
                       [--version V] PROGRAM TEST

TEST is Class.method, as --list prints them. A test that this build cannot
make ends with a line "skipped: REASON" and status 0.
"""
import argparse
import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest

OPTIONS = None  # the command line, set by main
GUARD_SECONDS = 120  # waits for typed answers: only a hang guard
CTRL_D, CTRL_Z = "\x04", "\x1a"


def on_windows():
    return OPTIONS.emulator is not None


def newline():
    return "\r\n" if on_windows() else "\n"


def command(*arguments):
    emulator = [OPTIONS.emulator] if on_windows() else []
    return emulator + [OPTIONS.program, *arguments]


class Outcome:
    def __init__(self, out, err, status, peak_kib=0, fed=0):
        self.out, self.err, self.status, self.peak_kib, self.fed = out, err, status, peak_kib, fed


def peak_resident_kib(pid):
    """The program's own peak resident memory so far (VmHWM), 0 until the
    process has become pelvaro-id; under Wine the emulator's process becomes
    the Windows program itself."""
    try:
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.split(":", 1) for line in status if ":" in line)
    except OSError:
        return 0
    if "pelvaro-id" not in fields.get("Name", ""):
        return 0
    return int(fields.get("VmHWM", "0 kB").split()[0])


def pieces_of(data):
    """bytes as an iterable of pieces; an iterable is taken as it is."""
    return [data] if isinstance(data, (bytes, bytearray)) else data


def run(*arguments, feed=b"", stdin=None, stdout=None, stderr=None, raw=False, environment=None):
    """Runs pelvaro-id on the pieces of feed (or on the stdin given) and
    returns what it wrote, its status and its memory peak. The output is text
    with the platform's line ends made LF, unless raw. A stream given as a
    file descriptor goes there instead of a pipe. environment adds variables
    to the program's."""
    process = subprocess.Popen(
        command(*arguments), stdin=subprocess.PIPE if stdin is None else stdin,
        stdout=subprocess.PIPE if stdout is None else stdout,
        stderr=subprocess.PIPE if stderr is None else stderr,
        env=None if environment is None else {**os.environ, **environment})
    fed = [0]
    peaks = [0]

    def supply():
        try:
            for piece in pieces_of(feed):
                process.stdin.write(piece)
                fed[0] += len(piece)
            # The program holds all but a pipe's worth of the input and waits
            # for the rest: its peak so far is seen however fast it then ends.
            process.stdin.flush()
            peaks.append(peak_resident_kib(process.pid))
        except (BrokenPipeError, OSError):
            pass  # the program has stopped reading
        finally:
            try:
                process.stdin.close()
            except OSError:
                pass

    streams = {}

    def drain(name, stream):
        streams[name] = stream.read()

    threads = []
    if process.stdin is not None:
        threads.append(threading.Thread(target=supply))
    for name in ("out", "err"):
        stream = getattr(process, "stdout" if name == "out" else "stderr")
        if stream is not None:
            threads.append(threading.Thread(target=drain, args=(name, stream)))
    for thread in threads:
        thread.start()
    while process.poll() is None:
        peaks.append(peak_resident_kib(process.pid))
        time.sleep(0.005)
    for thread in threads:
        thread.join()
    peak = max(peaks)

    def text(name):
        data = streams.get(name, b"")
        return data if raw else data.decode("utf-8", "replace").replace("\r\n", "\n")
    return Outcome(text("out"), text("err"), process.returncode, peak, fed[0])


def lines(count, cycle=("abc", "hello", "", "zzzzz")):
    """count lines cycling through the addresses, made a piece at a time, so
    that the test holds no more of them than the program does."""
    made = 0
    while made < count:
        piece = "".join(cycle[i % len(cycle)] + "\n" for i in range(made, min(count, made + 16384)))
        made = min(count, made + 16384)
        yield piece.encode()


def repeat(piece, count):
    """count bytes made of piece, a piece at a time."""
    while count > 0:
        yield piece[:count]
        count -= min(len(piece), count)


def fold(codes):
    """The id number of these codes, worked out here with plain arithmetic."""
    h = 0
    for code in codes:
        h = (h * 101 + code) & 0xFFFFFFFF
    return h


class Harness(unittest.TestCase):
    maxDiff = None

    def skip_on_windows(self, reason):
        if on_windows():
            self.skipTest(reason)

    def skip_natively(self, reason):
        if not on_windows():
            self.skipTest(reason)

    def assert_message(self, outcome, start, native_rest):
        """A message that starts with start; natively the system's words that
        follow are known too, under Windows they are its own."""
        self.assertTrue(outcome.err.startswith("pelvaro-id: " + start), outcome.err)
        if not on_windows():
            self.assertEqual(outcome.err, "pelvaro-id: " + start + native_rest + "\n")


class Arguments(Harness):
    def test_each_argument_in_order(self):
        outcome = run("abc", "ABC", "hello", "")
        self.assertEqual(outcome.out, "999494\n999494\n2337520240\n0\n")
        self.assertEqual((outcome.err, outcome.status), ("", 0))

    def test_output_lines_end_as_the_platform_ends_them(self):
        self.assertEqual(run("abc", "a", raw=True).out, ("999494" + newline() + "97" + newline()).encode())

    def test_standard_input_is_ignored_when_given_arguments(self):
        self.assertEqual(run("a", feed=b"abc\n").out, "97\n")

    def test_double_dash_ends_the_options(self):
        outcome = run("--", "-abc", "--help")
        self.assertEqual((outcome.out, outcome.status), ("47363039\n1004063359\n", 0))

    def test_beyond_ascii(self):
        self.assertEqual(run("--code-page", "1252", "é", "Élan").out, "233\n241171748\n")
        self.assertEqual(run("--code-page", "1252", "😀").out, "6426\n")  # each half is "?"

    def test_argument_not_valid_utf8_is_named_and_the_others_worked_out(self):
        self.skip_on_windows("Windows hands a program its arguments as UTF-16: none can be invalid UTF-8")
        outcome = run(b"abc", b"\xed\xa0\x80", b"hello")
        self.assertEqual(outcome.out, "999494\n2337520240\n")
        self.assertEqual((outcome.err, outcome.status), ("pelvaro-id: argument 2: not valid UTF-8\n", 1))


class StandardInput(Harness):
    def test_known_id_numbers(self):
        outcome = run(feed=b"\na\nabc\nABC\n abc\nabc \na.b\nhello\nHello\nabcdef\nzzzzz\ntest\n")
        self.assertEqual(outcome.out, "0\n97\n999494\n999494\n33969126\n100948926\n994241\n2337520240\n"
                                      "2337520240\n3283514353\n4232388018\n120556948\n")
        self.assertEqual(outcome.status, 0)

    def test_mixed_line_endings_and_a_last_line_without_one(self):
        outcome = run(feed=b"abc\r\nHello\n\r\na\rb\nzzzzz")
        self.assertEqual(outcome.out, "999494\n2337520240\n0\n97\n98\n4232388018\n")
        self.assertEqual((outcome.err, outcome.status), ("", 0))
        self.assertEqual(run(feed=b"abc\rhello\rtest\r").out, "999494\n2337520240\n120556948\n")

    def test_empty_input_prints_nothing(self):
        outcome = run()
        self.assertEqual((outcome.out, outcome.err, outcome.status), ("", "", 0))

    def test_byte_order_marks(self):
        utf8 = b"\xef\xbb\xbf"
        little = b"\xff\xfea\x00b\x00c\x00\r\x00\n\x00"
        big = "\ufeffhello\r\ntest\r\n".encode("utf-16-be")
        self.assertEqual(run(feed=utf8 + b"abc\n").out, "999494\n")
        self.assertEqual(run(feed="\ufeffabc\r\nhello\r\n".encode("utf-16-le")).out, "999494\n2337520240\n")
        # Big-endian, its last line without an end: all of it worked out, in silence.
        outcome = run(feed="\ufeffabc\nHello".encode("utf-16-be"))
        self.assertEqual((outcome.out, outcome.err, outcome.status), ("999494\n2337520240\n", "", 0))
        # What "cat a.txt b.txt | pelvaro-id" gives when each file starts with a mark.
        self.assertEqual(run(feed=utf8 + b"abc\r\n" + utf8 + b"hello\r\n").out, "999494\n2337520240\n")
        self.assertEqual(run(feed=little + little).out, "999494\n999494\n")
        outcome = run(feed=little + big)
        self.assertEqual((outcome.out, outcome.err, outcome.status), ("999494\n2337520240\n120556948\n", "", 0))

    def test_utf16_lone_surrogate_is_folded_by_itself(self):
        # U+D83D alone has no code in 1252: "?", 63; "a" is 97.
        self.assertEqual(run(feed=b"\xff\xfe\x3d\xd8a\x00").out, "6460\n")
        self.assertEqual(run(feed=b"\xfe\xff\x00A\x00b\x00c\x00\n\xd8\x3d").out, "999494\n63\n")

    def test_code_page_applies_to_standard_input(self):
        self.assertEqual(run("--code-page", "932", feed="あ\n".encode()).out, "4294935200\n")


class Faults(Harness):
    def test_lines_that_are_no_addresses_are_named_and_the_others_worked_out(self):
        for given, out, err in [
            (b"abc\nhello\n\xc0\xaf\nzzzzz\n", "999494\n2337520240\n4232388018\n",
             "pelvaro-id: line 3: not valid UTF-8\n"),
            (b"abc\na\x00b\nhello\n", "999494\n2337520240\n", "pelvaro-id: line 2: contains a NUL character\n"),
            # UTF-16 without a byte-order mark is not folded into wrong numbers.
            (b"a\x00b\x00c\x00\r\x00\n\x00", "",
             "".join(f"pelvaro-id: line {n}: contains a NUL character\n" for n in (1, 2, 3))),
            (b"\xff\xfea\x00\n\x00x", "97\n", "pelvaro-id: line 2: odd number of bytes in UTF-16 input\n"),
        ]:
            with self.subTest(given=given):
                outcome = run(feed=given)
                self.assertEqual((outcome.out, outcome.err, outcome.status), (out, err, 1))

    def test_messages_keep_the_order_of_the_input_in_one_file(self):
        with tempfile.TemporaryFile() as both:
            run(feed=b"abc\n\xff\nhello\n\x00\n", stdout=both, stderr=both)
            if not on_windows():
                run(b"abc", b"\xff", b"hello", stdout=both, stderr=both)
            both.seek(0)
            written = both.read().decode().replace("\r\n", "\n")
        expected = ("999494\npelvaro-id: line 2: not valid UTF-8\n2337520240\n"
                    "pelvaro-id: line 4: contains a NUL character\n")
        if not on_windows():
            expected += "999494\npelvaro-id: argument 2: not valid UTF-8\n2337520240\n"
        self.assertEqual(written, expected)

    def test_read_error_is_reported(self):
        directory = os.open("/", os.O_RDONLY)
        try:
            outcome = run(stdin=directory)
        finally:
            os.close(directory)
        self.assert_message(outcome, "cannot read standard input: ", "Is a directory")
        self.assertEqual(outcome.status, 1)

    def test_what_is_worked_out_before_a_read_failure_is_written(self):
        # A pipe that is empty but not closed, read without waiting: the read fails.
        self.skip_on_windows("Wine waits on a pipe that was left without waiting, so the read cannot fail")
        read_end, write_end = os.pipe()
        os.write(write_end, b"abc\nhello\nzz")
        os.set_blocking(read_end, False)
        try:
            outcome = run(stdin=read_end)
        finally:
            os.close(read_end)
            os.close(write_end)
        self.assertEqual(outcome.out, "999494\n2337520240\n")  # though output to a pipe is kept in a buffer
        self.assert_message(outcome, "cannot read standard input: ", "Resource temporarily unavailable")
        self.assertEqual(outcome.status, 1)

    def test_closed_output_pipe_ends_the_command_quietly(self):
        read_end, write_end = os.pipe()
        os.close(read_end)
        try:
            arguments = run("abc", stdout=write_end)
            given = run(feed=lines(10000000), stdout=write_end)  # some 40 MB
        finally:
            os.close(write_end)
        self.assertEqual((arguments.err, arguments.status), ("", 0))
        self.assertEqual((given.err, given.status), ("", 0))
        self.assertLess(given.fed, 4000000, "it stopped long before the end of the input")

    def test_reader_that_goes_away_after_the_first_line(self):
        first = subprocess.Popen(command(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE)
        head = subprocess.Popen(["head", "-n", "1"], stdin=first.stdout, stdout=subprocess.PIPE)
        first.stdout.close()
        feeder = threading.Thread(target=lambda: (first.stdin.write(b"abc\n" * 300000), first.stdin.close()))
        feeder.start()
        shown = head.communicate()[0]
        error = first.stderr.read()
        feeder.join(GUARD_SECONDS)
        self.assertEqual((first.wait(), shown.replace(b"\r", b""), error), (0, b"999494\n", b""))

    def test_full_disk_is_an_error(self):
        with open("/dev/full", "wb") as full:
            for arguments in (["abc"], [], ["--version"]):
                with self.subTest(arguments=arguments):
                    outcome = run(*arguments, feed=b"abc\n", stdout=full.fileno())
                    self.assert_message(outcome, "cannot write standard output: ", "No space left on device")
                    self.assertEqual(outcome.status, 1)


class CodePages(Harness):
    def test_932_gives_the_double_byte_code(self):
        # U+3042 is 82 A0 in code page 932: -32096 as a signed 16-bit code.
        self.assertEqual(run("--code-page", "932", "あ").out, "4294935200\n")
        self.assertEqual(run("--code-page=932", "あ").out, "4294935200\n")
        self.assertEqual(run("--code-page", "1252", "あ").out, "63\n")  # 1252 cannot spell it: "?"

    def test_1251_lower_cases_cyrillic(self):
        self.assertEqual(run("--code-page", "1251", "Д").out, "228\n")  # U+0414 lower-cased to U+0434, E4

    def test_65001_gives_what_a_utf8_windows_gives(self):
        # One byte as it is, two as one 16-bit value, more as "?".
        self.assertEqual(run("--code-page", "65001", feed="é@x\n".encode()).out, "4137399033\n")
        self.assertEqual(run("--code-page=65001", "É@x", "中", "😀", "abc").out,
                         "4137399033\n63\n6426\n999494\n")

    def test_default_is_1252_here(self):
        self.assertEqual(run("abcdef", "é").out, "3283514353\n233\n")

    def test_unknown_code_page_names_exactly_the_ones_that_work(self):
        for arguments in (["--code-page", "437", "abc"], ["--code-page=x", "abc"], ["--code-page="]):
            with self.subTest(arguments=arguments):
                outcome = run(*arguments)
                self.assertEqual((outcome.out, outcome.status), ("", 2))
                match = re.fullmatch(r"pelvaro-id: unknown code page '[^']*'; the code pages supported are "
                                     r"(.*)\n", outcome.err)
                self.assertIsNotNone(match, outcome.err)
        named = []
        for item in re.split(r", | and ", match.group(1)):
            first, _, last = item.partition(" to ")
            named += range(int(first), int(last or first) + 1)
        self.assertGreater(len(named), 1)
        for page in named:
            self.assertEqual(run("--code-page", str(page), "abc").out, "999494\n", f"code page {page}")
        for page in (0, 437, 850, 1200, 1259, 20127, 65000):
            self.assertEqual(run("--code-page", str(page), "abc").status, 2, f"code page {page}")


class WordWidths(Harness):
    """PELVARO_ID_WORD_BITS forces the width of word the lines are folded on:
    every width that runs here gives the same numbers, and one that does not
    is named, with why."""
    widths = (32, 64, 128, 256, 512)

    def test_every_width_that_runs_gives_the_numbers_of_plain_arithmetic(self):
        # Lines of every length up to beyond what a batch takes, upper case among them.
        texts = ["".join("aBz.@9"[(i * 7 + j) % 6] for j in range(i % 530)) for i in range(1500)]
        expected = "".join(f"{fold(ord(c) for c in text.lower())}\n" for text in texts)
        given = "".join(text + "\n" for text in texts).encode()
        ran = []
        for bits in self.widths:
            with self.subTest(bits=bits):
                outcome = run(feed=given, environment={"PELVARO_ID_WORD_BITS": str(bits)})
                if outcome.status == 2:
                    self.assertRegex(outcome.err, rf"^pelvaro-id: PELVARO_ID_WORD_BITS='{bits}': "
                                                  r"(this processor does not report|this build has no)")
                    continue
                self.assertEqual((outcome.err, outcome.status), ("", 0))
                self.assertTrue(outcome.out == expected, "the numbers differ")
                ran.append(bits)
        self.assertIn(32, ran, "the plain 32-bit words run in every build")

    def test_a_width_that_does_not_run_here_is_a_usage_error(self):
        for value in ("96", "abc"):
            with self.subTest(value=value):
                outcome = run(feed=b"abc\n", environment={"PELVARO_ID_WORD_BITS": value})
                self.assertEqual((outcome.out, outcome.status), ("", 2))
                self.assertRegex(outcome.err, rf"^pelvaro-id: PELVARO_ID_WORD_BITS='{value}': .*; "
                                              r"the widths that run here are 32(, \d+)*\n$")


class Usage(Harness):
    def test_unknown_option_is_a_usage_error(self):
        outcome = run("abc", "--bogus")
        self.assertEqual((outcome.out, outcome.status), ("", 2))
        self.assertTrue(outcome.err.startswith("pelvaro-id: unknown option '--bogus'\nUsage: pelvaro-id "),
                        outcome.err)

    def test_missing_value_is_a_usage_error(self):
        outcome = run("--code-page")
        self.assertEqual(outcome.status, 2)
        self.assertTrue(outcome.err.startswith("pelvaro-id: option '--code-page' needs a value\nUsage: "),
                        outcome.err)

    def test_values_that_cannot_be_shown_are_escaped(self):
        cases = [(["--code-page", "\x1b[2J\t\\"], "unknown code page '\\x1B[2J\\x09\\\\'"),
                 (["--code-page=é😀"], "unknown code page '\\u00E9\\U0001F600'"),
                 (["--é\x7f"], "unknown option '--\\u00E9\\x7F'")]
        if not on_windows():
            cases.append(([b"--code-page", b"\xff", b"abc"], "unknown code page '\\xFF'"))
        for arguments, shown in cases:
            with self.subTest(arguments=arguments):
                outcome = run(*arguments)
                self.assertTrue(outcome.err.startswith("pelvaro-id: " + shown), outcome.err)
                self.assertEqual(outcome.status, 2)

    def test_version(self):
        outcome = run("--version")
        self.assertEqual((outcome.out, outcome.err, outcome.status), (f"pelvaro-id {OPTIONS.version}\n", "", 0))

    def test_help_is_the_manual_page_as_groff_renders_it(self):
        outcome = run("--help")
        self.assertEqual((outcome.err, outcome.status), ("", 0))
        rendered = render_page()
        self.assertEqual(outcome.out, rendered)
        self.assertLessEqual(max(map(len, outcome.out.splitlines())), 79, "fits an 80-column terminal")
        synopsis = re.search(r"\nSYNOPSIS\n((?:       .*\n)+)", rendered).group(1)
        usage = run("--bogus").err.split("\n", 1)[1]
        self.assertEqual(usage, "Usage: " + synopsis[7:])


def render_page():
    """The manual page as groff renders it for a terminal of 80 columns, left
    aligned and unhyphenated, without the running header and footer."""
    with tempfile.NamedTemporaryFile("w", suffix=".roff") as ragged:
        ragged.write(".am TH\n.ad l\n..\n")
        ragged.flush()
        shown = subprocess.run(["groff", "-man", "-Tascii", "-rLL=79n", "-rHY=0", "-P-cbou", ragged.name,
                                OPTIONS.page], check=True, capture_output=True, text=True).stdout
    body = shown.strip("\n").split("\n")[1:-1]
    return "\n".join(body).strip("\n") + "\n"


class Streaming(Harness):
    """Memory in constant use is checked against the same program on a quarter
    of the input: what a run costs whatever its input (the sanitizers'
    allocators grow their own by a few megabytes once a run has moved some
    data) is in both, and only growth with the input shows."""
    growth_allowed_kib = 2048

    @classmethod
    def setUpClass(cls):
        # AddressSanitizer holds freed memory back for a while, and gives
        # frames of its own to functions, from a store each thread touches
        # more of as it runs (more under later compilers, which do so by
        # default). Without either, what shows is what the program keeps.
        settled = "quarantine_size_mb=0:thread_local_quarantine_size_kb=0:detect_stack_use_after_return=0"
        os.environ["ASAN_OPTIONS"] = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), settled]))

    def assert_constant_memory(self, large, quarter):
        self.assertGreater(quarter.peak_kib, 0, "the program's memory was seen")
        self.assertLess(large.peak_kib, quarter.peak_kib + self.growth_allowed_kib,
                        f"on a quarter of the input: {quarter.peak_kib} KiB")

    def test_a_million_lines(self):
        count = 1000000
        quarter = run(feed=lines(count // 4))
        large = run(feed=lines(count))
        self.assertEqual(large.status, 0)
        numbers = ("999494", "2337520240", "0", "4232388018")
        self.assertTrue(large.out == "".join(numbers[i % 4] + "\n" for i in range(count)))
        self.assert_constant_memory(large, quarter)

    def test_a_long_line(self):
        # A valid line of 2 MB, each of its characters folded, and a faulty one
        # of 48 MB, only searched for its end: a program that kept either line
        # would need its bytes, and twice as many for its units, megabytes
        # beyond the growth allowed.
        def given(valid, faulty):
            yield from repeat(b"a" * 65536, valid)
            yield b"\n\xff"
            yield from repeat(b"b" * 65536, faulty)
            yield b"\nabc\n"
        valid, faulty = 2 << 20, 48 << 20
        quarter = run(feed=given(valid // 4, faulty // 4))
        large = run(feed=given(valid, faulty))
        self.assertEqual(large.out, f"{fold([97] * valid)}\n999494\n")
        self.assertEqual((large.err, large.status), ("pelvaro-id: line 2: not valid UTF-8\n", 1))
        self.assert_constant_memory(large, quarter)

    def test_endless_nul_bytes(self):
        # What /dev/zero gives: one line, faulty from its first byte, that never ends.
        size = 64 << 20
        quarter = run(feed=repeat(bytes(65536), size // 4))
        zeros = run(feed=repeat(bytes(65536), size))
        self.assertEqual((zeros.out, zeros.err, zeros.status),
                         ("", "pelvaro-id: line 1: contains a NUL character\n", 1))
        self.assert_constant_memory(zeros, quarter)


class Typed(Harness):
    """Typed input: each number as soon as its line ends. Natively on a
    terminal, ended by Ctrl+D; under Wine at the console Wine makes of a
    terminal, ended by Ctrl+Z then Enter, its input read as UTF-16."""

    def start(self, *arguments, output_to_terminal=None, program=None):
        """Starts the program with the terminal as its input, and as its
        output too if output_to_terminal (by default: where it is a console)."""
        master, slave = pty.openpty()
        attributes = termios.tcgetattr(slave)
        if on_windows():
            # The terminal's own keys off, so that Ctrl+Z reaches the console as
            # a character, as it does on Windows, instead of stopping Wine.
            attributes[0] &= ~(termios.ICRNL | termios.IXON)
            attributes[3] &= ~(termios.ISIG | termios.ICANON | termios.ECHO | termios.IEXTEN)
        else:
            attributes[3] &= ~termios.ECHO
        termios.tcsetattr(slave, termios.TCSANOW, attributes)
        to_terminal = on_windows() if output_to_terminal is None else output_to_terminal
        self.process = subprocess.Popen((program or command)(*arguments), stdin=slave,
                                        stdout=slave if to_terminal else subprocess.PIPE, stderr=slave,
                                        start_new_session=True)
        os.close(slave)
        self.terminal = master
        self.received, self.seen = b"", 0
        self.addCleanup(self.close)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        os.close(self.terminal)

    def type(self, text):
        os.write(self.terminal, text.encode("utf-8"))

    def enter(self):
        return "\r" if on_windows() else "\n"

    def end_of_input(self):
        return CTRL_Z + "\r" if on_windows() else CTRL_D

    def shown(self):
        """What the terminal has shown, without control sequences and CRs."""
        text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", self.received.decode("utf-8", "replace"))
        return text.replace("\r", "")

    def expect_shown(self, text):
        """Waits until the terminal shows text after what was seen before."""
        deadline = time.monotonic() + GUARD_SECONDS
        while text not in self.shown()[self.seen:]:
            ready, _, _ = select.select([self.terminal], [], [], max(0.0, deadline - time.monotonic()))
            data = os.read(self.terminal, 65536) if ready else b""
            if not data:
                self.fail(f"the terminal did not show {text!r}; it showed {self.shown()!r}")
            self.received += data
        self.seen = self.shown().index(text, self.seen) + len(text)

    def expect_line(self, text):
        """The next line on the program's output, whether a pipe or the terminal."""
        if self.process.stdout is None:
            return self.expect_shown(text)
        ready, _, _ = select.select([self.process.stdout], [], [], GUARD_SECONDS)
        line = self.process.stdout.readline() if ready else b""
        self.assertEqual(line.replace(b"\r", b"").decode(), text)

    def expect_exit(self, status):
        try:
            self.assertEqual(self.process.wait(GUARD_SECONDS), status, self.shown())
        except subprocess.TimeoutExpired:
            self.fail(f"the program did not end; the terminal showed {self.shown()!r}")

    def test_answers_each_line_as_it_is_typed(self):
        self.start("--code-page", "1252")
        self.type("abc" + self.enter())
        self.expect_line("999494\n")  # before the input has ended
        self.type("Hello" + self.enter())
        self.expect_line("2337520240\n")
        self.type("Élan" + self.enter())
        self.expect_line("241171748\n")
        self.type(self.end_of_input())
        self.expect_exit(0)

    def test_text_before_the_end_of_input_is_the_last_line(self):
        self.start("--code-page=932")
        self.type("あ" + self.enter())
        self.expect_line("4294935200\n")
        self.type("zzzzz" + (CTRL_Z + "\r" if on_windows() else CTRL_D * 2))
        self.expect_line("4232388018\n")
        self.expect_exit(0)

    def test_output_to_a_pipe_stays_bytes(self):
        self.skip_natively("a Windows console writes its own output as UTF-16: on a terminal all is bytes")
        self.start(output_to_terminal=False)
        self.type("abc\rhello\r" + CTRL_Z + "\r")
        output = self.process.communicate(timeout=GUARD_SECONDS)[0]
        self.assertEqual(output, b"999494\r\n2337520240\r\n")
        self.expect_exit(0)

    def test_typed_lines_are_edited_by_the_console_whatever_mode_it_was_left_in(self):
        self.skip_natively("a console's modes are Windows' own")
        windows_path = "Z:" + os.path.abspath(OPTIONS.program).replace("/", "\\")
        self.start(windows_path, "--code-page", "1252",
                   program=lambda *arguments: [OPTIONS.emulator, OPTIONS.raw_console_run, *arguments])
        self.type("abx\x7f\r")  # Backspace takes the x away
        self.expect_shown("9895\n")
        self.type(CTRL_Z + "\r")
        self.expect_shown("[exit:0,input-mode:0]\n")  # the mode found is put back
        self.expect_exit(0)

    def test_help_shows_at_the_terminal(self):
        self.start("--help", output_to_terminal=True)
        self.expect_shown("SYNOPSIS\n       pelvaro-id [--code-page N] [--] [ADDRESS...]\n")
        self.expect_shown("Ctrl+Z then Enter")
        self.expect_exit(0)


def all_tests():
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    found = []

    def walk(item):
        if isinstance(item, unittest.TestSuite):
            for child in item:
                walk(child)
        else:
            found.append(item)
    walk(suite)
    return found


def name_of(test):
    return f"{type(test).__name__}.{test._testMethodName}"


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="print the tests' names and exit")
    parser.add_argument("--emulator", help="runs a Windows program: the build's wine-run")
    parser.add_argument("--raw-console-run", help="raw_console_run.exe of a Windows build")
    parser.add_argument("--page", help="the manual page as built")
    parser.add_argument("--version", help="the version that --version shows")
    parser.add_argument("program", nargs="?")
    parser.add_argument("test", nargs="?")
    OPTIONS = parser.parse_args()
    if OPTIONS.list:
        print("\n".join(name_of(test) for test in all_tests()))
        return 0
    chosen = [test for test in all_tests() if name_of(test) == OPTIONS.test]
    if not chosen or not OPTIONS.program:
        parser.error(f"no test named {OPTIONS.test!r}: see --list")
    result = unittest.TextTestRunner(stream=sys.stdout, verbosity=2).run(unittest.TestSuite(chosen))
    for _, reason in result.skipped:
        print(f"skipped: {reason}")
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
