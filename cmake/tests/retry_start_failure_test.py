#!/usr/bin/env python3
"""retry_start_failure.py's rule, tried on stand-ins for Wine and for test
programs: a program that Wine fails to start, or that dies before writing
anything, gets a second try; one that fails after writing, as a failed
assertion does, gets none. A run that fails for good ends with its exit
status and what that tells."""
import os
import pathlib
import subprocess
import sys
import signal
import tempfile
import unittest

WRAPPER = pathlib.Path(__file__).resolve().parent.parent / "retry_start_failure.py"

# A stand-in for wine-run: runs the program, counting its runs in RUNS; on the
# runs that FAIL names (1 2 ...), it fails instead, the way FAILURE says.
EMULATOR = """#!/bin/sh
runs=$(( $(cat "$RUNS" 2>/dev/null || echo 0) + 1 ))
echo $runs > "$RUNS"
case " $FAIL " in *" $runs "*)
  case $FAILURE in
    silent) exit 1 ;;
    start.exe) printf 'Application could not be started, or no application associated with the specified file.\\r\\nShellExecuteEx failed: Internal error.\\r\\n'; exit 1 ;;
    loader) echo 'wine: could not load kernel32.dll, status c0000135' >&2; exit 53 ;;
    assertion) echo '[ RUN      ] Suite.Test'; echo 'x.cpp:12: Failure' >&2; echo '[  FAILED  ] Suite.Test'; exit 1 ;;
    blank) echo; exit 1 ;;
  esac ;;
esac
exec "$@"
"""


class RetryStartFailure(unittest.TestCase):
    def run_wrapper(self, failure, fail_on, program=("echo", "[  PASSED  ] 1 test.")):
        with tempfile.TemporaryDirectory() as folder:
            emulator = pathlib.Path(folder, "wine-run")
            emulator.write_text(EMULATOR)
            emulator.chmod(0o755)
            runs = pathlib.Path(folder, "runs")
            environment = dict(os.environ, RUNS=str(runs), FAIL=" ".join(map(str, fail_on)), FAILURE=failure)
            done = subprocess.run([sys.executable, str(WRAPPER), str(emulator), *program],
                                  env=environment, capture_output=True, text=True, timeout=60)
            return done, int(runs.read_text())

    def test_a_program_wine_fails_to_start_is_tried_once_more(self):
        for failure in ("silent", "start.exe", "loader"):
            with self.subTest(failure=failure):
                done, runs = self.run_wrapper(failure, [1])
                self.assertEqual((done.returncode, runs), (0, 2), done.stderr)
                self.assertIn("[  PASSED  ] 1 test.", done.stdout)
                self.assertRegex(done.stderr, r"(?m)^retry_start_failure: Wine did not start echo \(exit status \d+, ")

    def test_a_second_start_failure_fails(self):
        done, runs = self.run_wrapper("silent", [1, 2])
        self.assertEqual((done.returncode, runs), (1, 2))

    def test_a_failed_assertion_is_not_tried_again(self):
        done, runs = self.run_wrapper("assertion", [1])
        self.assertEqual((done.returncode, runs), (1, 1))
        self.assertIn("[  FAILED  ] Suite.Test", done.stdout)
        self.assertIn("x.cpp:12: Failure", done.stderr)
        self.assertNotIn("Wine did not start", done.stderr)

    def test_any_output_of_the_program_makes_a_failure_its_own(self):
        done, runs = self.run_wrapper("blank", [1])
        self.assertEqual((done.returncode, runs), (1, 1))

    def test_a_program_that_passes_runs_once_and_its_status_is_passed_on(self):
        done, runs = self.run_wrapper("silent", [], program=("sh", "-c", "echo out; echo err >&2; exit 3"))
        self.assertEqual((done.returncode, runs, done.stdout, done.stderr),
                         (3, 1, "out\n", "err\nretry_start_failure: ended with exit status 3\n"))

    def test_a_failure_says_what_its_exit_status_tells(self):
        for script, status, said in (
                ("echo '[  PASSED  ] 2 tests.'; exit 1", 1,
                 "1 after every test in it had passed: it failed as it ended"),
                ("echo '[  FAILED  ] 1 test'; kill -SEGV $$", 139,
                 "139 (Wine ended by signal 11: Segmentation fault)")):
            with self.subTest(script=script):
                done, runs = self.run_wrapper("silent", [], program=("sh", "-c", script))
                self.assertEqual((done.returncode, runs), (status, 1), done.stderr)
                self.assertEqual(done.stderr.splitlines()[-1],
                                 f"retry_start_failure: ended with exit status {said}")

    def test_all_the_program_wrote_is_passed_on_though_a_process_it_started_holds_the_streams(self):
        # As explorer.exe, started by the first window program, holds them: a
        # wrapper that waited for them would outlast run_wrapper's time limit.
        with tempfile.NamedTemporaryFile() as holder:
            program = ("sh", "-c", f"sleep 600 & echo $! >{holder.name}; yes line | head -c 300000; "
                                   "echo end >&2; exit 1")
            try:
                done, runs = self.run_wrapper("silent", [], program=program)
            finally:
                os.kill(int(pathlib.Path(holder.name).read_text()), signal.SIGKILL)
        self.assertEqual((done.returncode, runs, len(done.stdout), done.stderr.splitlines()[0]),
                         (1, 1, 300000, "end"))

if __name__ == "__main__":
    unittest.main()
