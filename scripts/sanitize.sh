#!/usr/bin/env bash
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer (and libFuzzer
# coverage), runs every test without a window and the import window's test under them, then runs
# each fuzz target for a while from its seed corpus. Any sanitizer report fails.
# Usage: scripts/sanitize.sh [seconds-per-fuzz-target]     (default 30)
# The build folder is build-asan, or LOCKVEX_ASAN_BUILD when set.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=${LOCKVEX_ASAN_BUILD:-build-asan}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLOCKVEX_FUZZ=ON -DLOCKVEX_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
(cd "$build" && ctest --output-on-failure -L nowindow -j "$(nproc)")
# The import window's test too, which ends imports by the ending signal at every step of "Import
# all items": a step run on what the window's close freed shows here. Qt's offscreen windows keep
# memory to the end of the process, so leaks are not looked for in it.
(cd "$build" && ASAN_OPTIONS=${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0} ctest --output-on-failure -R '^tst_dataimport$')

bash scripts/fuzz.sh "$build" "$seconds"
