#!/usr/bin/env bash
# Builds everything and runs every test: the native engine and command-line
# tool, the same under sanitizers, the fuzz targets on a bounded number of
# inputs, the web page in three browser engines, the two Windows builds
# through Wine (32-bit and 64-bit), and the release's checks. Ends with a
# summary: passed, failed and skipped for each suite, the reason for each
# skip, and any suite this machine cannot run or build.
#
#   tools/test.sh [CTEST_OPTION...]     for example -L win64, or -R Form1
#
# The builds are the suites preset's (cmake/Suites.cmake); CTest then runs
# every build's tests in one run, scheduling them all (see README.md). The run
# is the first process of a PID namespace of its own where the machine allows
# it: whatever it started ends with it, also when it fails or is interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z ${PELVARO_TEST_INSIDE:-} ]]; then
  tools/install-deps.sh test
  if why=$(tools/in-private-mounts.sh --pid true 2>&1); then
    PELVARO_TEST_INSIDE=1 exec tools/in-private-mounts.sh --pid "$0" "$@"
  fi
  echo "note: ${why##*: }: a process a test starts may outlive a run that is interrupted"
fi
trap 'exit 130' INT TERM  # the first process of a namespace would ignore them

step() { printf '\n== %s (%d s)\n' "$*" "$SECONDS"; }
results=$PWD/build/test-results
rm -rf "$results" && mkdir -p "$results"
status=0

step "Builds"
cmake --preset suites --log-level=WARNING >/dev/null
cmake --build --preset suites -- -k 0 || status=1

step "Tests"
ctest --preset suites --output-junit "$results/tests.xml" \
  --test-output-size-passed 1048576 --test-output-size-failed 1048576 "$@" || status=1
ctest --preset suites --show-only=json-v1 "$@" >"$results/tests.json" 2>/dev/null || true

step "Summary"
python3 tools/test_summary.py "$results/tests.xml" "$results/tests.json" build/suites
exit $status
