#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given seconds from its seed corpus (copied, so
# the repository's corpus stays as it is). A crash, leak, timeout or sanitizer report fails.
# Usage: scripts/fuzz.sh build-folder seconds
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
shopt -s nullglob
failed=0
for target in "$build"/fuzz/*_fuzz; do
    name=$(basename "$target")
    program=$(cd "$(dirname "$target")" && pwd)/$name
    work=$(mktemp -d)
    mkdir -p "$work/corpus"
    if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/corpus/"; fi
    echo "fuzzing $name for ${seconds}s"
    set +e
    (cd "$work" && "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" corpus >"$work/log" 2>&1)
    status=$?
    set -e
    tail -n 14 "$work/log"
    if [ "$status" -ne 0 ]; then
        echo "fuzz target $name failed; its inputs:"
        ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null || true
        failed=1
    fi
    rm -rf "$work"
done
exit $failed
