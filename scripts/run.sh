#!/usr/bin/env bash
# Builds the program (not the tests and benchmarks) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build lockvex
exec ./build/lockvex "$@"
