#!/usr/bin/env python3
"""tools/install-deps.sh against a stand-in apt: apt-get, dpkg, dpkg-query and
sleep early on PATH, which fail as Debian's mirrors and apt have been seen to
fail, and record what was asked of them. The script runs in a copy of its
folder, so build/not-installed/ is the copy's."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The stand-ins: one Python program under four names. STATE is a folder with
# the scenario's files: installed (one package a line), architectures,
# update-failures (updates still to fail), i386-list (present when the i386
# lists are fetched), refuse (packages apt will not install), and calls (a
# line a call).
STAND_IN = f"#!{sys.executable}\n" + r'''import os, sys
state = os.environ["STATE"]
name, args = os.path.basename(sys.argv[0]), sys.argv[1:]
def path(f): return os.path.join(state, f)
def read(f): return open(path(f)).read().split() if os.path.exists(path(f)) else []
def write(f, words): open(path(f), "w").write("".join(w + "\n" for w in words))
with open(path("calls"), "a") as calls: calls.write(" ".join([name] + args) + "\n")
if name == "sleep": sys.exit(0)
if name == "dpkg-query":
    installed = args[-1] in read("installed")
    if installed: print("install ok installed")
    sys.exit(0 if installed else 1)
if name == "dpkg":
    if args == ["--print-foreign-architectures"]: print("\n".join(read("architectures")))
    elif args[:1] == ["--add-architecture"]: write("architectures", read("architectures") + args[1:])
    sys.exit(0)
words = [a for a in args if not a.startswith("-") and "=" not in a]
if words[:1] == ["update"]:
    failures = int((read("update-failures") or ["0"])[0])
    i386 = "i386" in read("architectures")
    if failures > 0 or (i386 and os.path.exists(path("no-i386-list"))):
        write("update-failures", [str(failures - 1)])
        print("Err:6 http://deb.debian.org/debian-security bookworm-security/main i386 Packages")
        print("  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]")
        print("E: Some index files failed to download. They have been ignored, or old ones used instead.")
        sys.exit(100)
    if i386: write("i386-list", ["fetched"])
    sys.exit(0)
packages = words[1:]
refused = [p for p in packages if p in read("refuse") or (p.endswith(":i386") and not read("i386-list"))]
if refused:
    print("The following packages have unmet dependencies:")
    print(f" {refused[0]} : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed")
    print("E: Unable to correct problems, you have held broken packages.")
    sys.exit(100)
if "-s" not in args: write("installed", read("installed") + packages)
'''


def read(path):
    """A file's text; empty where there is no such file."""
    try:
        with open(path) as file:
            return file.read()
    except FileNotFoundError:
        return ""


class Installer(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="install-deps-test.")
        self.addCleanup(shutil.rmtree, self.root)
        self.state = os.path.join(self.root, "state")
        bin_dir = os.path.join(self.root, "bin")
        tools = os.path.join(self.root, "tree", "tools")
        for folder in (self.state, bin_dir, tools):
            os.makedirs(folder)
        for file in ("install-deps.sh", "packages.txt"):
            shutil.copy(os.path.join(TOOLS, file), tools)
        self.write_program(os.path.join(tools, "runs-32-bit.sh"),
                           '#!/bin/sh\n[ ! -e "$STATE/no-32-bit" ]\n')
        for name in ("apt-get", "dpkg", "dpkg-query", "sleep"):
            self.write_program(os.path.join(bin_dir, name), STAND_IN)
        self.script = os.path.join(tools, "install-deps.sh")
        self.env = dict(os.environ, STATE=self.state, PATH=bin_dir + os.pathsep + os.environ["PATH"])
        self.given("architectures", "")

    @staticmethod
    def write_program(path, text):
        with open(path, "w") as program:
            program.write(text)
        os.chmod(path, 0o755)

    def given(self, name, text):
        with open(os.path.join(self.state, name), "w") as file:
            file.write(text)

    def lines(self, name):
        return read(os.path.join(self.state, name)).split("\n")[:-1]

    def install(self, command):
        done = subprocess.run(["bash", self.script, command], env=self.env, capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr

    def note(self, package="wine32:i386"):
        return read(os.path.join(self.root, "tree", "build", "not-installed", package)).strip() or None

    def packages(self, *marks):
        rows = [line.split("#")[0].split() for line in read(os.path.join(TOOLS, "packages.txt")).splitlines()]
        return [row[0] for row in rows if len(row) >= 2 and row[1] in marks and row[0] != "npm"]

    def test_run_installs_its_own_packages_only_and_leaves_the_i386_lists_alone(self):
        status, said = self.install("run")
        self.assertEqual(status, 0, said)
        self.assertEqual(set(self.lines("installed")) - {"npm"}, set(self.packages("run")))
        self.assertEqual(self.lines("architectures"), [], "no i386 architecture added")
        calls = len(self.lines("calls"))
        status, said = self.install("run")
        self.assertEqual(status, 0, said)
        self.assertEqual([c for c in self.lines("calls")[calls:] if c.startswith("apt-get")], [],
                         "a second run asks nothing of apt")

    def test_an_update_that_fails_once_is_tried_again(self):
        self.given("update-failures", "1")
        status, said = self.install("test")
        self.assertEqual(status, 0, said)
        self.assertIn("apt-get update failed (bookworm-security/main i386 Packages (File has unexpected size "
                      "(374820 != 376004). Mirror sync in progress?)); trying again in 5 s", said)
        self.assertEqual(len([c for c in self.lines("calls") if c.startswith("apt-get") and "update" in c]), 2)
        self.assertIn("wine32:i386", self.lines("installed"))
        self.assertIsNone(self.note())

    def test_an_i386_list_that_keeps_failing_leaves_32_bit_wine_out_and_the_rest_installed(self):
        self.given("no-i386-list", "")
        status, said = self.install("test")
        self.assertEqual(status, 0, said)
        self.assertIn("apt-get update failed 3 times; going on with the lists apt has. Not fetched: "
                      "bookworm-security/main i386 Packages", said)
        installed = set(self.lines("installed"))
        self.assertTrue(set(self.packages("run", "test")) <= installed, said)
        self.assertNotIn("wine32:i386", installed)
        self.assertIn("wine32:i386 is left out: ", said)
        self.assertIn("held broken packages", self.note())
        self.assertNotIn("wine32:i386", [c for c in self.lines("calls") if "-s" not in c.split()][-1],
                         "the refused package was only simulated, dpkg untouched")

        # Once the mirror is whole, a later run installs it and drops the note.
        os.remove(os.path.join(self.state, "no-i386-list"))
        status, said = self.install("test")
        self.assertEqual(status, 0, said)
        self.assertIn("wine32:i386", self.lines("installed"))
        self.assertIsNone(self.note())

    def test_an_i386_install_that_apt_refuses_is_left_out_with_apts_reason(self):
        self.given("refuse", "wine32:i386")
        status, said = self.install("test")
        self.assertEqual(status, 0, said)
        self.assertEqual(self.note(), "wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going "
                         "to be installed E: Unable to correct problems, you have held broken packages.")
        self.assertIn("wine32:i386 is left out: " + self.note(), said)

    def test_a_machine_without_32_bit_support_is_not_given_32_bit_wine(self):
        self.given("no-32-bit", "")
        status, said = self.install("test")
        self.assertEqual(status, 0, said)
        self.assertEqual(self.note(), "this machine cannot run 32-bit programs")
        self.assertEqual(self.lines("architectures"), [], "no i386 architecture added")

    def test_a_needed_package_that_cannot_be_installed_stops_it_with_apts_words(self):
        self.given("refuse", "wine64")
        status, said = self.install("run")
        self.assertEqual(status, 1)
        self.assertIn("Could not install the packages tools/run.sh needs", said)
        self.assertIn("E: Unable to correct problems, you have held broken packages.", said)
        self.assertIn("wine64", said)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[1:], verbosity=2)
