#!/usr/bin/env python3
"""The test command's closing summary, from the JUnit files that ctest and
node write.

    test_summary.py [--suite=LABEL=FILE]... [--not-run=LABEL=REASON]...

One line a suite: passed, failed and skipped. Then every skipped test with its
reason, the message that GoogleTest prints after "Skipped" (or the test's last
line of output), and every failed test. Then every test that Wine failed to
start and that got a second try (retry_start_failure.py says so in its
output), and a line for each suite that was not run, with the reason.
"""
import sys
import xml.etree.ElementTree as ElementTree


# The line that cmake/retry_start_failure.py writes before a second try.
SECOND_TRY = "retry_start_failure: "


def skip_reason(case):
    output = (case.findtext("system-out") or "").splitlines()
    for line in reversed(output):
        if line.startswith("skipped: "):
            return line[len("skipped: "):]
    for at, line in enumerate(output):
        if line.endswith(": Skipped") and at + 1 < len(output) and output[at + 1].strip():
            return output[at + 1].strip()
    lines = [line.strip() for line in output if line.strip() and not line.startswith("[")]
    if lines:
        return lines[-1]
    skipped = case.find("skipped")
    return skipped.get("message", "no reason given") if skipped is not None else "no reason given"


def read_suite(path):
    """(passed, failed, skipped, tried twice) test cases of a JUnit file,
    skipped with reasons."""
    passed, failed, skipped, tried_twice = [], [], [], []
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
        tried = [line for line in (case.findtext("system-out") or "").splitlines() if line.startswith(SECOND_TRY)]
        if tried:
            tried_twice.append((name, tried[0][len(SECOND_TRY):]))
    return (passed, failed, skipped, tried_twice), None


def main(arguments):
    suites, not_run = [], []
    for argument in arguments:
        option, _, value = argument.partition("=")
        label, _, rest = value.partition("=")
        if option == "--suite" and label and rest:
            suites.append((label, rest))
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
        passed, failed, skipped, tried_twice = result
        print(f"{label:<{width}}  {len(passed)} passed, {len(failed)} failed, {len(skipped)} skipped")
        skips += [(label, name, reason) for name, reason in skipped]
        failures += [(label, name) for name in failed]
        second_tries += [(label, name, why) for name, why in tried_twice]
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
        print("Tried a second time, as Wine did not start the test program:")
        for label, name, why in second_tries:
            print(f"  {label} {name}: {why}")
    return 1 if unreadable else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
