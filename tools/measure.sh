#!/usr/bin/env bash
# Measures the figures README.md gives, each as a ratio taken in one run on
# this machine:
#   - the fold's cost per character with the engine's adder against plain
#     native arithmetic, in time and in instructions under callgrind, natively
#     and (in time) in both Windows builds under Wine;
#   - pelvaro-id on a million addresses: instructions per byte, and MB/s
#     against the same input read the same way but folded with plain native
#     arithmetic (bench/native_id_numbers);
#   - the window's start-up against a bare window program, and "Work out" on a
#     1 MiB paste, for the 32-bit and the 64-bit build side by side under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target pelvaro_bench fold_instructions pelvaro-id native_id_numbers
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target window_benchmark fold_instructions
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each build's own Wine loader, as its configuration found it. The 32-bit
# figures are taken only where 32-bit programs can run.
loader() { sed -n 's/^PELVARO_WINE_LOADER:FILEPATH=//p' "build/$1/CMakeCache.txt"; }
windows_presets=(win64)
if why=$("$(loader win32)" --version 2>&1 >/dev/null); then
  windows_presets=(win32 win64)
else
  echo "(32-bit figures left out: this machine cannot run 32-bit programs: ${why:-the loader failed})"
fi

echo "== Machine"
grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'
echo "$(nproc) cores, $("$(loader win64)" --version), $(clang++ --version | head -n 1)"

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
export WINEPREFIX=$PWD/build/wineprefix
build/linux/bench/fold_instructions engine 10000000 2>&1 >/dev/null | sed 's/^/native build, /'
build/linux/bench/fold_instructions native 10000000 2>&1 >/dev/null | sed 's/^/native build, /'
for preset in "${windows_presets[@]}"; do
  for kind in engine native; do
    "build/$preset/wine-run" "build/$preset/bench/fold_instructions.exe" $kind 10000000 2>&1 >/dev/null |
      tr -d '\r' | sed "s/^/$preset build under Wine, /"
  done
done

echo "== pelvaro-id on a million addresses (native build)"
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
head -n 100000 "$work/addresses.txt" >"$work/sample.txt"
sample=$(stat -c %s "$work/sample.txt")
idle=$(instructions build/linux/cli/pelvaro-id </dev/null)
busy=$(instructions build/linux/cli/pelvaro-id <"$work/sample.txt")
echo "instructions per input byte (callgrind, 100,000 addresses): $(((busy - idle) / sample))"
# The best of three runs, in seconds.
best_seconds() {
  local best="" taken
  for _ in 1 2 3; do
    taken=$({ TIMEFORMAT=%R && time "$@" <"$work/addresses.txt" >/dev/null; } 2>&1)
    best=$(python3 -c "print(min(float('$taken'), float('${best:-$taken}')))")
  done
  echo "$best"
}
id=$(best_seconds build/linux/cli/pelvaro-id)
native=$(best_seconds build/linux/bench/native_id_numbers)
python3 -c "
mb = $bytes / 1e6
print(f'pelvaro-id: {mb:.1f} MB in {$id:.2f} s (best of 3): {mb / $id:.1f} MB/s')
print(f'the same input folded with native arithmetic: {$native:.2f} s: {mb / max($native, 0.01):.0f} MB/s')"

echo "== Window, 32-bit and 64-bit side by side under Wine on a virtual display"
windows=()
for preset in "${windows_presets[@]}"; do
  windows+=("build/$preset/app/Pelvaro.exe" "build/$preset/bench/bare_window.exe")
done
xvfb-run -a -s "-screen 0 1280x1024x24" "build/win64/wine-run" build/win64/bench/window_benchmark.exe 15 "${windows[@]}"
