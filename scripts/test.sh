#!/usr/bin/env bash
# Builds Lockvex and runs every test through ctest; fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
cd build
ctest --output-on-failure -j "$(nproc)"
