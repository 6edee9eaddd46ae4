#!/usr/bin/env bash
# Runs every benchmark once, one after the other, and prints each measure beside the reference it
# is judged against (the counters named *_ms, ratio and per_entry in each table). Run it on a
# quiet machine: the figures of a loaded one say little.
# Usage: bench/report.sh [build-folder]     (default: build; it builds the benchmarks first)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
targets=()
for source in bench/*_bench.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("bench_${name%_bench}")
done
if ! cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >/dev/null; then
    echo "The benchmarks could not be built in $build (is libbenchmark-dev installed?)" >&2
    exit 1
fi

# Measure and reference, in the order of the speed goals.
run() {
    local title=$1 program=$2 filter=$3
    echo
    echo "== $title"
    QT_QPA_PLATFORM=offscreen "$build/bench/$program" --benchmark_filter="$filter" \
        --benchmark_counters_tabular=true 2>&1 | grep -v -E '^(\*\*\*|Run on|CPU Caches|  L[123]|Load Average|-{5,}$)' || true
}

run "Open a full data file beside a 64 KiB read loop of it" bench_store 'BM_OpenFullDataFile|BM_PlainReadOfTheSameBytes'
run "Exit of a full data file beside cp + sync" bench_exit '.'
run "Browse refresh with nothing changed; save + refresh (entry logic)" bench_entries 'BM_BrowseRefresh|BM_SaveAndRefresh'
run "Search, letter tab, save + refresh (main window)" bench_mainwindow '.'
run "CSV engine beside Python's csv.reader and a plain line read" bench_import '.'
run "Adding entries with the duplicate check: per entry at 1,000 and 30,000" bench_store 'BM_AddEntries'
# The disk runs of the import (a flush per record) take minutes: only the in-memory ones here.
run "Accept-all import with saving beside the store's own adding" bench_importwindow 'BM_AcceptAllWithSaving/records:[0-9]+/in_memory:1'
run "Start-up and end of the program on a private X server beside a bare Qt window and cp + sync" bench_startup '.'
run "Resident memory of a fresh process after opening 32,767 entries and building the lists" bench_memory '.'
