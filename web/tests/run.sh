#!/usr/bin/env bash
# The web page's tests in each browser engine, once per engine, the three
# engines side by side:
#
#   web/tests/run.sh RESULTS_DIR
#
# Needs the web preset's page (build/web/page) and build/linux/cli/pelvaro-id.
# Installs the test libraries from the lockfile (npm ci), then runs every
# test file in Chromium, Firefox ESR and WebKitGTK, the last two on a virtual
# display (WebKit's MiniBrowser has no headless mode). Writes
# RESULTS_DIR/web-ENGINE.xml (JUnit) for each engine that ran, and for one
# that cannot start here RESULTS_DIR/web-ENGINE.not-run with the reason,
# which does not fail the run. Prints each engine's tests and time once they
# are done; exits 1 if any engine's tests failed.
set -uo pipefail
results=$(realpath -m "${1:?usage: run.sh RESULTS_DIR}")
cd "$(dirname "$0")"
mkdir -p "$results"
npm ci --no-audit --no-fund --loglevel=error || exit 1

# Whether the engine starts at all here: launched and closed. Its last lines
# of output say why not.
starts() {
  PELVARO_BROWSER=$1 "${@:2}" node --input-type=module \
    -e 'import { launch } from "./browsers.js"; await (await launch()).close();' 2>&1 | tail -n 3
  return "${PIPESTATUS[0]}"
}

# engine DISPLAY_FROM: one engine's tests; Firefox and WebKit on a virtual
# display numbered from DISPLAY_FROM up, apart from the others'.
engine() {
  local engine=$1 display=()
  [[ $engine == chromium ]] || display=(xvfb-run -a -n "$2" -s "-ac -screen 0 1280x1024x24")
  rm -f "$results/web-$engine.xml" "$results/web-$engine.not-run"
  printf '\n== Web page in %s\n' "$engine"
  if ! why=$(starts "$engine" "${display[@]}"); then
    echo "$engine cannot start here: $why" | tr '\n' ' ' | tee "$results/web-$engine.not-run"
    echo
    return 0
  fi
  PELVARO_BROWSER=$engine "${display[@]}" node --test --test-concurrency=1 \
    --test-reporter=tap --test-reporter-destination=stdout \
    --test-reporter=junit --test-reporter-destination="$results/web-$engine.xml" ./*.test.mjs || return 1
  echo "== $engine: $SECONDS s"
}

declare -A jobs=()
display=300
for engine in chromium firefox webkit; do
  engine "$engine" $((display += 20)) >"$results/web-$engine.log" 2>&1 &
  jobs[$engine]=$!
done
failed=0
for engine in chromium firefox webkit; do
  wait "${jobs[$engine]}" || failed=1
  cat "$results/web-$engine.log"
done
exit $failed
