#!/usr/bin/env python3
"""The test command's closing summary, from what CTest wrote of its run.

    test_summary.py JUNIT_FILE TESTS_JSON BUILDS_DIR

JUNIT_FILE is the run's JUnit file (ctest --output-junit), TESTS_JSON the
same tests as ctest --show-only=json-v1 lists them, with their labels: each
test's label is its suite, and a build's tests are named SUITE/NAME.
BUILDS_DIR is the suites build's folder, with the list of builds
(builds.txt) and a file in built/ for each one made.

One line a suite: passed, failed and skipped. A suite that cannot run here is
one skipped test named after it, and its line says "not run" and why. A
test that reports its own tests in TAP (the page's, once per engine) counts
as those tests. Then every skipped test with its reason, every failed test
(one reported in TAP with what went wrong, which its long output buries, and
a Windows one with its exit status and what that tells),
every test that Wine failed to start and that got a second try
(retry_start_failure.py says so in its output), and each build not made.
"""
import collections
import json
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

# The lines that cmake/retry_start_failure.py writes before a second try, and
# after a run that failed.
SECOND_TRY = "retry_start_failure: Wine did not start "
ENDED = "retry_start_failure: ended with "
TAP_TEST = re.compile(r"^( *)(not ok|ok) \d+ - (.*?)(?: # (SKIP|TODO)\b ?(.*))?$")

Case = collections.namedtuple("Case", "name status reason")  # status: passed, failed or skipped


def skip_reason(output, case):
    lines = output.splitlines()
    for line in reversed(lines):
        if line.startswith("skipped: "):
            return line[len("skipped: "):]
    for at, line in enumerate(lines):
        if line.endswith(": Skipped") and at + 1 < len(lines) and lines[at + 1].strip():
            return lines[at + 1].strip()
    said = [line.strip() for line in lines if line.strip() and not line.startswith("[")]
    if said:
        return said[-1]
    skipped = case.find("skipped")
    return skipped.get("message", "no reason given") if skipped is not None else "no reason given"


def failure_detail(lines, at):
    """What the YAML block after a failed TAP test's line (lines[at]) says went
    wrong: its error's first lines and where on its stack a test file (else
    another of the tests' own files) raised it. None where it only counts
    the subtests that failed."""
    if at + 1 >= len(lines) or lines[at + 1].strip() != "---":
        return None
    indent = len(lines[at + 1]) - len(lines[at + 1].lstrip())
    fields, key = {}, None
    for line in lines[at + 2:]:
        if len(line) - len(line.lstrip()) == indent and line.strip():
            if line.strip() == "...":
                break
            key, _, value = line.strip().partition(":")
            fields[key] = [value.strip().strip("'")] if value.strip() not in ("|-", "|") else []
        elif key:
            fields[key].append(line[indent + 2:].rstrip())
    if fields.get("failureType") == ["subtestsFailed"]:
        return None
    error = [line for line in fields.get("error", []) if line.strip()][:8] or ["no error given"]
    ours = [line for line in fields.get("stack", []) if "file://" in line and "node_modules" not in line]
    where = next((line for line in ours if ".test." in line), ours[0] if ours else None)
    return "\n".join(error + ([f"at {where}"] if where else []))


def tap_cases(output):
    """The tests a node TAP stream reports: those of each top-level group, and
    a top-level test that has none of its own. A test's subtests count as
    part of it, and a failed test's reason is what went wrong in it."""
    cases, inner, details = [], [], []
    lines = output.splitlines()
    for at, line in enumerate(lines):
        match = TAP_TEST.match(line)
        if not match:
            continue
        depth = len(match[1]) // 4
        status = "skipped" if match[4] == "SKIP" else "failed" if match[2] == "not ok" else "passed"
        if status == "failed":
            details += filter(None, [failure_detail(lines, at)])
        reason = "\n".join(details) if status == "failed" else match[5] or "no reason given"
        if depth == 1:
            inner.append(Case(match[3], status, reason))
            details = []
        elif depth == 0:
            cases += [Case(f"{match[3]}: {case.name}", *case[1:]) for case in inner] or \
                [Case(match[3], status, reason)]
            inner, details = [], []
    return cases


def said_after(prefix, output):
    """What follows prefix on each line of output that starts with it."""
    return [line[len(prefix):] for line in output.splitlines() if line.startswith(prefix)]


def read_run(junit_path, tests_path):
    """{suite: [Case]} and [(suite, name, why)] of the second tries."""
    listed = collections.defaultdict(collections.deque)  # name -> its suites, in the run's order
    with open(tests_path) as tests:
        for test in json.load(tests)["tests"]:
            labels = next((p["value"] for p in test.get("properties", []) if p["name"] == "LABELS"), ["?"])
            listed[test["name"]].append(labels[0])
    suites, second_tries = collections.defaultdict(list), []
    for case in ElementTree.parse(junit_path).getroot().iter("testcase"):
        name = case.get("name", "?")
        suite = listed[name].popleft() if listed[name] else "?"
        name = name[len(suite) + 1:] if name.startswith(suite + "/") else name
        output = case.findtext("system-out") or ""
        skipped = case.find("skipped")
        if skipped is not None and skipped.get("message") == "Fixture dependency failed":
            suites[suite].append(Case(name, "failed", "not run, as what it needs was not set up"))
        elif skipped is not None or case.get("status") in ("notrun", "disabled"):
            suites[suite].append(Case(name, "skipped", skip_reason(output, case)))
        elif "TAP version" in output and tap_cases(output):
            suites[suite] += tap_cases(output)
            if case.find("failure") is not None and not any(c.status == "failed" for c in tap_cases(output)):
                suites[suite].append(Case(name, "failed", ""))
        else:
            failed = case.find("failure") is not None or case.get("status") == "fail"
            ended = (said_after(ENDED, output) or [""])[-1]
            suites[suite].append(Case(name, "failed" if failed else "passed", ended))
        second_tries += [(suite, name, why) for why in said_after(SECOND_TRY, output)[:1]]
    return suites, second_tries


def main(arguments):
    if len(arguments) != 3:
        sys.exit(__doc__)
    junit_path, tests_path, builds_dir = arguments
    with open(os.path.join(builds_dir, "builds.txt")) as listed:
        builds = [build for build in listed.read().strip().split(";") if build]
    not_built = [build for build in builds if not os.path.exists(os.path.join(builds_dir, "built", build))]
    try:
        suites, second_tries = read_run(junit_path, tests_path)
    except (OSError, ValueError, ElementTree.ParseError) as error:
        print(f"no test results: {error}")
        suites, second_tries = {}, []

    skips, failures = [], []
    for suite, cases in suites.items():
        if len(cases) == 1 and cases[0].name == suite and cases[0].status == "skipped":
            print(f"{suite}: not run: {cases[0].reason}")
            continue
        count = collections.Counter(case.status for case in cases)
        print(f"{suite}: {count['passed']} passed, {count['failed']} failed, {count['skipped']} skipped")
        skips += [(suite, case) for case in cases if case.status == "skipped"]
        failures += [(suite, case) for case in cases if case.status == "failed"]
    if skips:
        print("Skipped:")
        for suite, case in skips:
            print(f"  {suite} {case.name}: {case.reason}")
    if failures:
        print("Failed:")
        for suite, case in failures:
            print(f"  {suite} {case.name}")
            for line in filter(None, case.reason.splitlines()):
                print(f"      {line}")
    if second_tries:
        print("Tried a second time, as Wine did not start the test program:")
        for suite, name, why in second_tries:
            print(f"  {suite} {name}: {why}")
    for build in not_built:
        print(f"{build}: not built: its build failed (see its output above); its tests could not run")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
