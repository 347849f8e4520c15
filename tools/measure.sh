#!/usr/bin/env bash
# Measures the figures README.md gives, each as a ratio taken in one run on
# this machine: the fold's cost per character with the engine's adder against
# plain native arithmetic (in time, and in instructions under callgrind), and
# the window's start-up time against a bare window program, both under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake --preset linux >/dev/null
cmake --build --preset linux --target pelvaro_bench fold_instructions
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target window_benchmark

echo "== Machine"
grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'
echo "$(nproc) cores, $(wine --version 2>/dev/null)"

echo "== Fold, time per character (Google Benchmark)"
build/linux/bench/pelvaro_bench --benchmark_min_time=1 --benchmark_color=false

echo "== Fold, instructions per character (callgrind)"
characters=100000
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null build/linux/bench/fold_instructions "$1" "$2" 2>&1 |
    sed -n 's/.*Collected : //p'
}
engine=$((($(instructions engine $characters) - $(instructions engine 0)) / characters))
native=$((($(instructions native $characters) - $(instructions native 0)) / characters))
echo "fold: $engine instructions/char with the engine's adder, $native native: ratio $((engine / native))"

echo "== Window, under Wine on a virtual display"
build=build/win64
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/wine-run" "$build/bench/window_benchmark.exe" \
  "$build/app/Pelvaro.exe" "$build/bench/bare_window.exe" 15
