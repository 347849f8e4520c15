#!/usr/bin/env python3
"""tools/test.sh's own promises, with stand-in cmake and ctest early on PATH
whose builds and tests start long-lived processes as a test run's Wine
server, virtual display and browser are: each in a session of its own, as a
daemon leaves its parent's. Whether the run is interrupted or its build
fails, none of them may outlive it, and a failed build still ends in the
summary. The script runs in a copy of the tools folder, with a stand-in
installer. The summary names a failed test with what went wrong in it."""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import uuid
import xml.etree.ElementTree as ElementTree

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# TOKEN marks the processes the stand-ins leave running; FAIL_BUILD fails the 64-bit build, HANG
# keeps the tests running until the run is stopped.
STAY = 'setsid bash -c "exec -a $1-$TOKEN sleep 600" stay "$1" </dev/null >/dev/null 2>&1 &'
CMAKE = r'''#!/bin/bash
stay() { ''' + STAY + r''' }
if [[ $1 == --preset ]]; then
  mkdir -p build/suites/built && printf 'linux;win64' >build/suites/builds.txt
elif [[ $1 == --build ]]; then
  stay Xvfb
  touch build/suites/built/linux
  [[ -n ${FAIL_BUILD:-} ]] && { echo "FAILED: the win64 build"; exit 1; }
  touch build/suites/built/win64
fi
'''
CTEST = r'''#!/bin/bash
stay() { ''' + STAY + r''' }
if [[ " $* " == *" --show-only=json-v1 "* ]]; then
  echo '{"tests": [{"name": "a", "properties": [{"name": "LABELS", "value": ["linux"]}]}]}'
  exit 0
fi
stay wineserver
stay chromium
[[ -z ${HANG:-} ]] || sleep 600
while [[ $1 != --output-junit ]]; do shift; done
echo '<testsuite><testcase name="a" status="run"/></testsuite>' >"$2"
'''


def left_running(token):
    """The processes that carry token in their command line."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                if token.encode() in cmdline.read():
                    found.append(pid)
        except OSError:
            pass
    return found


class TestCommand(unittest.TestCase):
    def setUp(self):
        private = subprocess.run([os.path.join(TOOLS, "in-private-mounts.sh"), "--pid", "true"],
                                 capture_output=True, text=True)
        if private.returncode != 0:
            self.skipTest(f"no PID namespace here: {private.stderr.strip()}")
        self.root = tempfile.mkdtemp(prefix="test-command-test.")
        self.addCleanup(shutil.rmtree, self.root)
        tools, bin_dir = (os.path.join(self.root, name) for name in ("tree/tools", "bin"))
        for folder in (tools, bin_dir):
            os.makedirs(folder)
        for file in ("test.sh", "test_summary.py", "in-private-mounts.sh"):
            shutil.copy(os.path.join(TOOLS, file), tools)
        self.write_program(os.path.join(tools, "install-deps.sh"), "#!/bin/sh\n")
        self.write_program(os.path.join(bin_dir, "cmake"), CMAKE)
        self.write_program(os.path.join(bin_dir, "ctest"), CTEST)
        self.token = uuid.uuid4().hex
        self.addCleanup(self.end_what_is_left)
        self.env = dict(os.environ, TOKEN=self.token,
                        PATH=bin_dir + os.pathsep + os.environ["PATH"])
        self.env.pop("PELVARO_TEST_INSIDE", None)
        self.command = ["bash", os.path.join(tools, "test.sh")]

    @staticmethod
    def write_program(path, text):
        with open(path, "w") as program:
            program.write(text)
        os.chmod(path, 0o755)

    def end_what_is_left(self):
        for pid in left_running(self.token):
            os.kill(int(pid), signal.SIGKILL)

    def test_an_interrupted_run_leaves_no_process_behind(self):
        # As a terminal's Ctrl+C does: SIGINT to the run's process group.
        run = subprocess.Popen(self.command, env=dict(self.env, HANG="1"), start_new_session=True,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        deadline = time.monotonic() + 60
        while len(left_running(self.token)) < 3 and run.poll() is None and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(len(left_running(self.token)), 3, "the display, Wine's server and the browser run")
        os.killpg(run.pid, signal.SIGINT)
        said, _ = run.communicate(timeout=60)
        self.assertNotEqual(run.returncode, 0, said)
        self.assertEqual(left_running(self.token), [], f"nothing left running after\n{said}")

    def test_a_failed_build_still_ends_in_the_summary_with_every_process_gone(self):
        run = subprocess.run(self.command, env=dict(self.env, FAIL_BUILD="1"), capture_output=True, text=True,
                             timeout=120)
        said = run.stdout + run.stderr
        self.assertEqual(run.returncode, 1, said)
        self.assertIn("linux: 1 passed, 0 failed, 0 skipped", said)
        self.assertIn("win64: not built: its build failed", said)
        self.assertEqual(left_running(self.token), [], f"nothing left running after\n{said}")


# A browser engine's run as CTest keeps it: one test of two failed in a group, and what its
# YAML block says of it.
ENGINE_RUN = """TAP version 13
# Subtest: the page's service worker
    ok 1 - answers
      ---
      duration_ms: 1.5
      ...
    not ok 2 - installs no release
      ---
      duration_ms: 9.1
      failureType: 'testCodeFailure'
      error: |-
        Expected values to be strictly equal:

        'redundant' !== 'installed'
      stack: |-
        ElementHandle.click (file:///w/node_modules/puppeteer-core/lib/api.js:1:1)
        async TestContext.<anonymous> (file:///w/web/tests/worker.test.mjs:116:5)
      ...
    1..2
not ok 1 - the page's service worker
  ---
  failureType: 'subtestsFailed'
  error: '1 subtest failed'
  ...
"""


# A Windows test program's run that failed as it ended, as retry_start_failure.py passes it on.
WINDOWS_RUN = """[  PASSED  ] 1 test.
retry_start_failure: ended with exit status 139 (Wine ended by signal 11: Segmentation fault) after every test
"""


class TestSummary(unittest.TestCase):
    def test_a_failed_test_is_named_with_what_went_wrong_and_where(self):
        folder = tempfile.mkdtemp(prefix="test-summary-test.")
        self.addCleanup(shutil.rmtree, folder)
        junit, tests = os.path.join(folder, "tests.xml"), os.path.join(folder, "tests.json")
        run = ElementTree.Element("testsuite")
        for name, output in (("web-firefox", ENGINE_RUN), ("win32/Icon.Test", WINDOWS_RUN)):
            case = ElementTree.SubElement(run, "testcase", name=name, status="fail")
            ElementTree.SubElement(case, "failure")
            ElementTree.SubElement(case, "system-out").text = output
        ElementTree.ElementTree(run).write(junit)
        with open(tests, "w") as listed:
            json.dump({"tests": [{"name": name, "properties": [{"name": "LABELS", "value": [label]}]}
                                 for name, label in (("web-firefox", "web-firefox"), ("win32/Icon.Test", "win32"))]},
                      listed)
        open(os.path.join(folder, "builds.txt"), "w").close()
        said = subprocess.run([sys.executable, os.path.join(TOOLS, "test_summary.py"), junit, tests, folder],
                              capture_output=True, text=True, check=True).stdout
        self.assertIn("web-firefox: 1 passed, 1 failed, 0 skipped", said)
        self.assertIn("Failed:\n  web-firefox the page's service worker: installs no release\n"
                      "      Expected values to be strictly equal:\n"
                      "      'redundant' !== 'installed'\n"
                      "      at async TestContext.<anonymous> (file:///w/web/tests/worker.test.mjs:116:5)\n"
                      "  win32 Icon.Test\n"
                      "      exit status 139 (Wine ended by signal 11: Segmentation fault) after every test\n", said)
        self.assertNotIn("Tried a second time", said)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[1:], verbosity=2)
