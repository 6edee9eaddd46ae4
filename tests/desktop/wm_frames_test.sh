#!/usr/bin/env bash
# Lockvex's windows whole under a real window manager: openbox on Xvfb frames the windows with a
# title bar and borders, which the window tests' offscreen platform has not. On a new home the
# main window opens with its whole frame, title bar included, on the screen; a place stored with
# the title bar above the screen (DialogTop=-15) is not restored there. On 1366 x 768, and on
# 1920 x 1080 at 150 % scaling (QT_SCALE_FACTOR=1.5). A picture of each window goes into the
# output folder.
#
# Usage: tests/desktop/wm_frames_test.sh program output-folder
set -euo pipefail
program=$(realpath "$1")
out=$2
mkdir -p "$out"
work=$(mktemp -d)
started=()
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -s "$work/program.err" ] && { echo "--- program's error output:"; cat "$work/program.err"; }
    exit 1
}

title='Tandrell safe web address storage'

# The frame of the window, "left top right bottom" on the screen (right and bottom exclusive),
# from the client's place and the frame extents the window manager reports.
frame_of() {
    local id=$1 info x y w h extents l r t b
    info=$(xwininfo -id "$id") || return 1
    x=$(awk '/Absolute upper-left X:/ { print $NF }' <<<"$info")
    y=$(awk '/Absolute upper-left Y:/ { print $NF }' <<<"$info")
    w=$(awk '/^ *Width:/ { print $NF }' <<<"$info")
    h=$(awk '/^ *Height:/ { print $NF }' <<<"$info")
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    [ -n "$extents" ] || return 1
    IFS=, read -r l r t b <<<"$extents"
    echo "$((x - l)) $((y - t)) $((x + w + r)) $((y + h + b))"
}

# Waits until the program's window with the title is framed and has stopped moving; prints its id.
framed_window() {
    local id="" frame="" last=""
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --pid "$lv" --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        kill -0 "$lv" 2>/dev/null || fail "the program ended while waiting for '$1'"
        sleep 0.1
    done
    [ -n "$id" ] || fail "no window '$1'"
    # The program places the window again once it knows its frame: wait until it has stood still
    # for a second and a half (a loaded machine may take a while to hear of the frame).
    local still=0
    for _ in $(seq 80); do
        sleep 0.25
        frame=$(frame_of "$id" || true)
        if [ -n "$frame" ] && [ "$frame" = "$last" ]; then
            still=$((still + 1))
            [ "$still" -ge 6 ] && break
        else
            still=0
        fi
        last=$frame
    done
    echo "$id"
}

check_on_screen() { # id width height what
    local frame
    frame=$(frame_of "$1") || fail "$4: the window manager reports no frame"
    read -r fl ft fr fb <<<"$frame"
    echo "$4: frame $fl,$ft to $fr,$fb on $2 x $3"
    [ "$fl" -ge 0 ] && [ "$ft" -ge 0 ] && [ "$fr" -le "$2" ] && [ "$fb" -le "$3" ] ||
        fail "$4: the frame ($fl,$ft to $fr,$fb) does not lie on the $2 x $3 screen"
}

run_program() { # scale
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY= \
        QT_SCALE_FACTOR="$1" "$program" 2>>"$work/program.err" &
    lv=$!
    started+=($lv)
}

end_program() {
    kill -TERM "$lv"
    for _ in $(seq 200); do kill -0 "$lv" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$lv" 2>/dev/null && fail "the program did not end"
    wait "$lv" || fail "the program ended with status $?"
}

for screen in "1366 768 1" "1920 1080 1.5"; do
    read -r width height scale <<<"$screen"
    rm -f "$work/display"
    Xvfb -displayfd 5 -screen 0 "${width}x${height}x24" -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    started+=($xvfb)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(cat "$work/display")
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || fail "the X server on $DISPLAY does not answer: $(cat "$work/xvfb.log")"
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm=$!
    started+=($wm)
    for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start: $(cat "$work/openbox.log")"

    home=$work/home-$width
    mkdir -p "$home/runtime"
    chmod 700 "$home/runtime"
    what="${width} x ${height} at scale $scale"

    # A new home: the first start's own place.
    run_program "$scale"
    main=$(framed_window "$title")
    import -window root "$out/openbox-${width}x${height}-first-start.png"
    check_on_screen "$main" "$width" "$height" "first start, $what"
    end_program

    # A place stored with the title bar above the screen.
    settings=$home/Documents/Lockvex.INI
    [ -f "$settings" ] || fail "no settings file after the first run"
    sed -i 's/^DialogTop=.*/DialogTop=-15/' "$settings"
    grep -q '^DialogTop=-15' "$settings" || fail "no DialogTop in the settings: $(cat "$settings")"
    run_program "$scale"
    main=$(framed_window "$title")
    import -window root "$out/openbox-${width}x${height}-stored-above.png"
    check_on_screen "$main" "$width" "$height" "stored above the screen, $what"
    end_program

    kill "$wm" "$xvfb" 2>/dev/null || true
    wait "$wm" "$xvfb" 2>/dev/null || true
done
echo "windows under openbox lie whole on the screen; pictures in $out"
