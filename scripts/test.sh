#!/usr/bin/env bash
# Builds Lockvex and runs every test through ctest; then builds everything again with clang's
# AddressSanitizer and UndefinedBehaviorSanitizer, runs every test without a window under them
# and gives each fuzz target 30 seconds from its seed corpus. Fails when any of it fails.
# LOCKVEX_SKIP_SANITIZERS=1 skips the second half (for a quick local run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")
if [ "${LOCKVEX_SKIP_SANITIZERS:-0}" != 1 ]; then
    bash scripts/sanitize.sh 30
fi
