#!/usr/bin/env python3
"""The test command's closing summary, from the JUnit files that ctest writes.

    test_summary.py [--suite=LABEL=FILE]... [--log=LABEL=FILE]... [--not-run=LABEL=REASON]...

One line a suite: passed, failed and skipped. Then every skipped test with its
reason, the message that GoogleTest prints after "Skipped" (or the test's last
line of output), and every failed test. Then, from ctest's log of a suite whose
failed tests get a second try, every test that passed only on that try. Then a
line for each suite that was not run, with the reason.
"""
import re
import sys
import xml.etree.ElementTree as ElementTree


def skip_reason(case):
    output = (case.findtext("system-out") or "").splitlines()
    for at, line in enumerate(output):
        if line.endswith(": Skipped") and at + 1 < len(output) and output[at + 1].strip():
            return output[at + 1].strip()
    lines = [line.strip() for line in output if line.strip() and not line.startswith("[")]
    if lines:
        return lines[-1]
    skipped = case.find("skipped")
    return skipped.get("message", "no reason given") if skipped is not None else "no reason given"


def read_suite(path):
    """(passed, failed, skipped) test cases of a JUnit file, skipped with reasons."""
    passed, failed, skipped = [], [], []
    try:
        root = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError) as error:
        return None, str(error)
    for case in root.iter("testcase"):
        name = case.get("name", "?")
        status = case.get("status", "run")
        if case.find("skipped") is not None or status in ("notrun", "disabled"):
            skipped.append((name, skip_reason(case)))
        elif case.find("failure") is not None or status == "fail":
            failed.append(name)
        else:
            passed.append(name)
    return (passed, failed, skipped), None


# ctest's line for a test that did not pass: "12/34 Test #12: Name ....***Failed  0.02 sec".
FIRST_TRY_FAILED = re.compile(r"Test +#\d+: (.+?) \.{3,}\s*\*{3}(?:Failed|Timeout|Exception)")


def failed_once(path):
    """Names of the tests that a ctest log shows failing at least once."""
    try:
        with open(path, encoding="utf-8", errors="replace") as log:
            return {match.group(1) for match in map(FIRST_TRY_FAILED.search, log) if match}
    except OSError:
        return set()


def main(arguments):
    suites, logs, not_run = [], {}, []
    for argument in arguments:
        option, _, value = argument.partition("=")
        label, _, rest = value.partition("=")
        if option == "--suite" and label and rest:
            suites.append((label, rest))
        elif option == "--log" and label and rest:
            logs[label] = rest
        elif option == "--not-run" and label and rest:
            not_run.append((label, rest))
        else:
            sys.exit(f"test_summary.py: unknown argument '{argument}'")

    width = max([len(label) for label, _ in suites + not_run] + [5])
    skips, failures, second_tries, unreadable = [], [], [], False
    for label, path in suites:
        result, error = read_suite(path)
        if result is None:
            print(f"{label:<{width}}  no results ({error})")
            unreadable = True
            continue
        passed, failed, skipped = result
        print(f"{label:<{width}}  {len(passed)} passed, {len(failed)} failed, {len(skipped)} skipped")
        skips += [(label, name, reason) for name, reason in skipped]
        failures += [(label, name) for name in failed]
        if label in logs:
            second_tries += [(label, name) for name in sorted(failed_once(logs[label]) & set(passed))]
    for label, reason in not_run:
        print(f"{label:<{width}}  not run: {reason}")
    if skips:
        print("Skipped:")
        for label, name, reason in skips:
            print(f"  {label} {name}: {reason}")
    if failures:
        print("Failed:")
        for label, name in failures:
            print(f"  {label} {name}")
    if second_tries:
        print("Passed only on a second try (the first try's output is in the log above):")
        for label, name in second_tries:
            print(f"  {label} {name}")
    return 1 if unreadable else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
