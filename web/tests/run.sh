#!/usr/bin/env bash
# The web page's tests in one browser engine, a CTest test of the web build:
#
#   web/tests/run.sh chromium|firefox|webkit
#
# Needs the web preset's page (build/web/page), build/linux/cli/pelvaro-id
# and the test libraries (npm ci here). Runs every test file in the engine
# (all.mjs), Firefox and WebKit on the display given, or without one on a
# virtual display of their own (WebKit's MiniBrowser has no headless mode),
# and reports in TAP. An engine that cannot start here is skipped, exit
# status 77, with the reason.
set -uo pipefail
engine=${1:?usage: run.sh chromium|firefox|webkit}
cd "$(dirname "$0")"
# Firefox and WebKit draw on the display given, or on one of their own.
display=()
[[ $engine == chromium || -n ${DISPLAY:-} ]] || display=(xvfb-run -a -s "-ac -screen 0 1280x1024x24")
export PELVARO_BROWSER=$engine
exec "${display[@]}" node --test-reporter=tap ./all.mjs
