#!/usr/bin/env bash
# Builds Lockvex and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
exec ./build/lockvex "$@"
