#!/usr/bin/env bash
# What a screen reader gets from every window of the program: the windows (shown together by
# lockvex-windows) on an X server, on a private D-Bus session with its own accessibility bus,
# walked over AT-SPI by atspi_check.py.
#
# Usage: tests/desktop/atspi_test.sh lockvex-windows-program [python-with-pyatspi]
set -euo pipefail
program=$(realpath "$1")
python=${2:-/usr/bin/python3}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
started=()
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 1920x1200x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"

# Everything below runs on a private session bus: the accessibility bus is started on it when
# first asked for, and ends with it.
export PROGRAM=$program CHECK=$here/atspi_check.py WORK=$work PYTHON=$python
status=0
env -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS XDG_RUNTIME_DIR="$work/runtime" \
    dbus-run-session -- bash -c '
    set -u
    QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY= \
        "$PROGRAM" >"$WORK/program.out" 2>"$WORK/program.err" &
    pid=$!
    for _ in $(seq 300); do grep -q ready "$WORK/program.out" 2>/dev/null && break; sleep 0.1; done
    if ! grep -q ready "$WORK/program.out"; then
        echo "FAIL: the windows did not come up"; cat "$WORK/program.err"; kill $pid; exit 1
    fi
    "$PYTHON" "$CHECK" lockvex-windows 8
    status=$?
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    exit $status' || status=$?
exit $status
