#!/usr/bin/env bash
# Measures the figures README.md gives, each as a ratio taken in one run on
# this machine:
#   - the fold's cost per character with the engine's adder against plain
#     native arithmetic, in time and in instructions under callgrind, natively
#     and (in time) in both Windows builds under Wine;
#   - pelvaro-id on a million addresses, which it folds many lines at a time,
#     by default and on each width of word forced (PELVARO_ID_WORD_BITS),
#     side by side with the same input read the same way and folded a line at
#     a time (bench/per_line_id_numbers): with the engine's adder, as
#     pelvaro-id did before, and with plain native arithmetic, the yardstick;
#     instructions per character under callgrind, and MB/s natively and in
#     both Windows builds under Wine;
#   - the window's start-up against a bare window program, and "Work out" on a
#     1 MiB paste, for the 32-bit and the 64-bit build side by side under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

cmake --preset linux >/dev/null
cmake --build --preset linux --target pelvaro_bench fold_instructions pelvaro-id per_line_id_numbers
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target window_benchmark fold_instructions pelvaro-id per_line_id_numbers
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The 32-bit figures are taken only where a 32-bit program runs: Debian's
# wine script answers --version even where it cannot start one.
export WINEPREFIX=$PWD/build/wineprefix
windows_presets=(win64)
if why=$(build/win32/wine-run build/win32/bench/fold_instructions.exe engine 0 2>&1); then
  windows_presets=(win32 win64)
else
  why=$(echo "$why" | tr -d '\r' | tr -s '\n' ' ')
  echo "(32-bit figures left out: this machine cannot run 32-bit programs: ${why:-the loader failed})"
fi

echo "== Machine"
grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'
# The 64-bit build's Wine loader, as its configuration wrote it into wine-run.
loader=$(grep -o -m 1 '/[^ ]*/wine64' build/win64/wine-run)
echo "$(nproc) cores, $("$loader" --version), $(clang++ --version | head -n 1)"

echo "== Fold, time per character (Google Benchmark, native build)"
build/linux/bench/pelvaro_bench --benchmark_min_time=1 --benchmark_color=false

echo "== Fold, instructions per character (callgrind, native build)"
characters=100000
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | sed -n 's/.*Collected : //p'
}
per_char() { echo $((($(instructions build/linux/bench/fold_instructions "$1" $characters) -
  $(instructions build/linux/bench/fold_instructions "$1" 0)) / characters)); }
engine=$(per_char engine)
native=$(per_char native)
echo "fold: $engine instructions/char with the engine's adder, $native native: ratio $((engine / native))"

echo "== Fold, time per character: native and both Windows builds under Wine (10 million characters)"
build/linux/bench/fold_instructions engine 10000000 2>&1 >/dev/null | sed 's/^/native build, /'
build/linux/bench/fold_instructions native 10000000 2>&1 >/dev/null | sed 's/^/native build, /'
for preset in "${windows_presets[@]}"; do
  for kind in engine native; do
    "build/$preset/wine-run" "build/$preset/bench/fold_instructions.exe" $kind 10000000 2>&1 >/dev/null |
      tr -d '\r' | sed "s/^/$preset build under Wine, /"
  done
done

echo "== pelvaro-id on a million addresses: many lines at a time, against a line at a time"
python3 - "$work/addresses.txt" <<'PY'
import random, sys
random.seed(20261208)
letters = "abcdefghijklmnopqrstuvwxyz0123456789._"
with open(sys.argv[1], "w") as out:
    for i in range(1_000_000):
        name = "".join(random.choice(letters) for _ in range(random.randint(5, 15)))
        out.write(f"{name.capitalize()}@Example.COM\n")
PY
bytes=$(stat -c %s "$work/addresses.txt")
# Instructions per character (line ends not counted) on 20,000 addresses,
# less those of a run on no input.
head -n 20000 "$work/addresses.txt" >"$work/sample.txt"
characters=$(($(stat -c %s "$work/sample.txt") - 20000))
per_character() {
  echo $((($(instructions "$@" <"$work/sample.txt") - $(instructions "$@" </dev/null)) / characters))
}
# pelvaro-id on each width of word that valgrind runs (it reports no AVX-512
# to the program), then on the widest it runs, the one chosen by default.
line="instructions per character (callgrind, 20,000 addresses, native build): pelvaro-id"
for bits in 32 64 128 256 512; do
  if PELVARO_ID_WORD_BITS=$bits valgrind --tool=none build/linux/cli/pelvaro-id </dev/null >/dev/null 2>&1; then
    line+=" $(PELVARO_ID_WORD_BITS=$bits per_character build/linux/cli/pelvaro-id) on $bits-bit words,"
  else
    line+=" none on $bits-bit words (not under valgrind),"
  fi
done
echo "$line $(per_character build/linux/cli/pelvaro-id) by default;" \
  "a line at a time with the engine's adder $(per_character build/linux/bench/per_line_id_numbers engine)," \
  "with native arithmetic $(per_character build/linux/bench/per_line_id_numbers native)"
# side_by_side LABEL BUILD EXE [RUNNER...]: the build's pelvaro-id by default
# and on each width of word that runs here, and its per_line_id_numbers with
# the engine's adder and with native arithmetic (the yardstick), on the
# million addresses; and pelvaro-id on no input, its start-up, which is taken
# off each. Nine rounds, the runs taking turns in each, so that the machine's
# other work weighs on all alike; the best of each: runs of a tenth of a
# second, on two cores that other builds share, need that many for their
# best to be their own.
side_by_side() {
  python3 - "$work/addresses.txt" "$@" <<'PY'
import os, subprocess, sys, time
addresses, label, build, exe, *runner = sys.argv[1:]
id_program = runner + [f"{build}/cli/pelvaro-id{exe}"]
per_line = runner + [f"{build}/bench/per_line_id_numbers{exe}"]
def forced(bits):
    return {**os.environ, "PELVARO_ID_WORD_BITS": str(bits)}
runs = {"start": (id_program, os.devnull, None), "default": (id_program, addresses, None),
        "today": (per_line + ["engine"], addresses, None), "native": (per_line + ["native"], addresses, None)}
missing = []
for bits in (32, 64, 128, 256, 512):
    with open(os.devnull, "rb") as nothing:
        tried = subprocess.run(id_program, stdin=nothing, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                               env=forced(bits))
    if tried.returncode == 0:
        runs[bits] = (id_program, addresses, forced(bits))
    else:
        missing.append(f"{bits} bits: " + tried.stderr.decode(errors="replace").split("': ")[-1].split(";")[0])
# A run that fails is left out of the best and counted: under load Wine now
# and then fails to start a program. One whose every run fails stops here.
best, failed = {}, {}
rounds = 9
for _ in range(rounds):
    for name, (command, input_path, environment) in runs.items():
        with open(input_path, "rb") as stdin:
            started = time.perf_counter()
            status = subprocess.run(command, stdin=stdin, stdout=subprocess.DEVNULL, env=environment).returncode
            elapsed = time.perf_counter() - started
        if status != 0:
            failed[name] = failed.get(name, 0) + 1
            continue
        best[name] = min(best.get(name, float("inf")), elapsed)
for name in runs:
    if name not in best:
        sys.exit(f"{label}: every run of {name} failed")
mb = os.path.getsize(addresses) / 1e6
took = {name: max(best[name] - best["start"], 0.005) for name in runs if name != "start"}
today, native = took["today"], took["native"]
print(f"{label}, {mb:.1f} MB, best of {rounds} less {best['start']:.2f} s of start-up:",
      f"a line at a time with the engine's adder {today:.2f} s, {mb / today:.1f} MB/s;",
      f"with native arithmetic (the yardstick) {native:.2f} s, {mb / native:.0f} MB/s")
for name in runs:
    if name not in ("start", "today", "native"):
        words = "by default" if name == "default" else f"on {name}-bit words"
        new = took[name]
        print(f"  pelvaro-id {words}: {new:.2f} s, {mb / new:.0f} MB/s, {today / new:.1f} times as fast as",
              f"a line at a time, {native / new:.2f} of the yardstick's speed")
for reason in missing:
    print(f"  (not here: {reason})")
for name, count in failed.items():
    print(f"  ({count} of the {rounds} runs of {name} failed and are left out)")
PY
}
side_by_side "native build" build/linux ""
# One Wine server for all the runs, so that a run's start-up is the program's
# own; Wine's services are started here, without output, rather than by a
# timed run, whose standard error they would keep open.
wineserver -w  # the server of the runs before, once it has ended by itself
wineserver -p
build/win64/wine-run cmd /c exit </dev/null >/dev/null 2>&1
for preset in "${windows_presets[@]}"; do
  side_by_side "$preset build under Wine" "build/$preset" .exe "build/$preset/wine-run"
done
wineserver -k

echo "== Window, 32-bit and 64-bit side by side under Wine on a virtual display"
windows=()
for preset in "${windows_presets[@]}"; do
  windows+=("build/$preset/app/Pelvaro.exe" "build/$preset/bench/bare_window.exe")
done
xvfb-run -a -s "-screen 0 1280x1024x24" "build/win64/wine-run" build/win64/bench/window_benchmark.exe 15 "${windows[@]}"
