#!/usr/bin/env bash
# Installs the Debian packages Lockvex needs (when missing), then configures and builds it: every
# target, or only the targets named after the build folder.
# Usage: scripts/setup.sh [build-folder [target...]]     (default: build, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

# Build and tests; the icon renderer; the desktop entry's and metadata's validators and the Debian
# package's tools and checker; an X server and the tools that drive the program on it from outside
# in the end-to-end test and the start-up benchmark; the accessibility bus, its Python client and
# D-Bus for the check of what screen readers get and for the close on a session lock; a window
# manager (openbox) and xprop for the windows' frames; a Wayland compositor (sway), Qt's Wayland
# platform and the tools that drive the program on it.
packages=(g++ cmake qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          librsvg2-bin desktop-file-utils appstream dpkg-dev file lintian man-db xvfb xdotool xclip imagemagick
          libx11-dev libxtst-dev at-spi2-core python3-pyatspi dbus
          openbox x11-utils sway wtype wl-clipboard grim qt6-wayland)
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
targets=("${@:2}")
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
else
    cmake --build "$build" -j "$(nproc)"
fi
