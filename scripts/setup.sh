#!/usr/bin/env bash
# Installs the Debian packages Lockvex needs (when missing), then configures and builds it.
# Usage: scripts/setup.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

# Build and tests; the desktop entry's and metadata's validators and the Debian package's tools;
# an X server and the tools that drive the program on it from outside in the end-to-end test;
# the accessibility bus, its Python client and D-Bus for the check of what screen readers get.
packages=(g++ cmake qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          desktop-file-utils appstream dpkg-dev file xvfb xdotool xclip imagemagick libx11-dev
          at-spi2-core python3-pyatspi dbus)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Lockvex needs these Debian packages. Install them as root, then run this again:"
        echo "  apt-get install -y ${missing[*]}"
        exit 1
    fi
fi

build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
