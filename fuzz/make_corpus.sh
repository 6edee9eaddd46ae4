#!/usr/bin/env bash
# Remakes the seed corpora in fuzz/corpus/<target>/: each fuzz target writes its own seeds (files
# the program itself makes, whole, damaged or odd) when LOCKVEX_FUZZ_SEEDS names a folder.
# Usage: fuzz/make_corpus.sh [build-folder]     (default: build-asan, as scripts/sanitize.sh makes it)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
shopt -s nullglob
for target in "$build"/fuzz/*_fuzz; do
    name=$(basename "$target")
    rm -rf "fuzz/corpus/$name"
    mkdir -p "fuzz/corpus/$name"
    LOCKVEX_FUZZ_SEEDS=$PWD/fuzz/corpus/$name "$target" >/dev/null 2>&1
    echo "$name: $(ls "fuzz/corpus/$name" | wc -l) seeds"
done
