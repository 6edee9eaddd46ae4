#!/usr/bin/env bash
# Lockvex on a real Wayland compositor, driven from outside as a person would: sway, headless,
# with the program on Qt's Wayland platform, keys typed with wtype, the clipboard read with
# wl-paste and pictures taken with grim. sway refuses to run as root: run as root, the test runs
# the compositor and the program as an ordinary user of its own (lockvex-test, made when missing).
#
# 1. First start on a new home: an entry typed; SAVE & CLOSE by keyboard ends the program.
# 2. Second start: the sign-in takes the entry's password; the search finds the entry; Tab walks
#    the main window from the search box to the entry's name, each stop pictured and checked for
#    a focus ring; the password selected in its box stays off the primary selection; its Copy
#    button, pressed by keyboard, puts it on the clipboard with x-kde-passwordManagerHint among
#    the types; SIGTERM ends the program, after which the password is no longer on the clipboard.
#
# wtype's first key after it connects can be lost, so every call begins with a pause; and the
# compositor takes the window's activation away when a wtype ends (its virtual keyboard goes), so
# a stop is pictured while the wtype that reached it still runs.
#
# Usage: tests/desktop/wayland_test.sh program output-folder
set -euo pipefail
program=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
chmod 755 "$work"
started=()
cleanup() {
    # runuser does not pass the signal on: the processes it started are ended themselves.
    for pid in "${started[@]}"; do pkill -P "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -s "$work/program.err" ] && { echo "--- program's error output:"; cat "$work/program.err"; }
    exit 1
}

user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    user=lockvex-test
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
fi
run=$work/runtime
home=$work/home
shots=$work/shots
mkdir -p "$run" "$home" "$shots"
chown "$user" "$run" "$home" "$shots"
chmod 700 "$run" "$home"
# Runs a command as the test's user in the compositor's session.
as_user() {
    local command=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY=wayland-1 \
        XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache" "$@")
    if [ "$(id -un)" = "$user" ]; then "${command[@]}"; else runuser -u "$user" -- "${command[@]}"; fi
}

# --- the compositor ------------------------------------------------------------------------------
printf 'output HEADLESS-1 resolution 1366x768\ndefault_border normal\n' >"$work/sway.config"
chmod 644 "$work/sway.config"
as_user WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do [ -S "$run/wayland-1" ] && break; sleep 0.1; done
[ -S "$run/wayland-1" ] || fail "sway did not start: $(tail -n 5 "$work/sway.log")"
echo "sway on $run/wayland-1"

# --- helpers ---------------------------------------------------------------------------------------
start_program() {
    as_user QT_QPA_PLATFORM=wayland "$program" 2>>"$work/program.err" &
    lv=$!
    started+=($lv)
}

# The program's window whose title contains $1 is mapped and focused.
window() {
    local sock
    for _ in $(seq 200); do
        sock=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n 1)
        [ -n "$sock" ] && as_user SWAYSOCK="$sock" swaymsg -t get_tree 2>/dev/null | grep -qF "\"name\": \"$1" && break
        kill -0 "$lv" 2>/dev/null || fail "the program ended while waiting for the window '$1'"
        sleep 0.1
    done
    sleep 1 # the window's own activation work (refresh, focus) runs after it shows
}

# Types: wtype with the arguments after a pause (its first key could be lost), then a further
# pause of $1 ms while its keyboard stays, in the background; waits for it with `wait $typist`.
typing() {
    local hold=$1
    shift
    as_user wtype -s 400 "$@" -s "$hold" &
    typist=$!
}
type_now() { typing 100 "$@"; wait "$typist"; }
back_tabs() { local keys=(); for _ in $(seq "$1"); do keys+=(-M shift -k Tab -m shift -s 60); done; type_now "${keys[@]}"; }
tabs() { local keys=(); for _ in $(seq "$1"); do keys+=(-k Tab -s 60); done; type_now "${keys[@]}"; }

shot() { # name
    as_user grim "$shots/$1.png"
    cp "$shots/$1.png" "$out/$1.png"
}

# Hollow rectangles in the focus ring's colour in the picture: "x y w h" of the first, or nothing.
focus_colour='srgb(29,95,150)'
focus_ring() { # picture
    convert "$1" -fuzz 3% -fill black +opaque "$focus_colour" -fill white -opaque "$focus_colour" \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk '/srgb\(255,255,255\)|gray\(255\)/ { split($2, b, /[x+]/); if (b[1] >= 12 && b[2] >= 10 && $4 < 0.5 * b[1] * b[2]) { print b[3], b[4], b[1], b[2]; exit } }'
}

clipboard() { as_user wl-paste -n 2>/dev/null || true; }
primary() { as_user wl-paste -n --primary 2>/dev/null || true; }
clipboard_types() { as_user wl-paste --list-types 2>/dev/null || true; }
wait_clipboard() { # expected text
    for _ in $(seq 50); do [ "$(clipboard)" = "$1" ] && return 0; sleep 0.1; done
    return 1
}

wait_exit() { # seconds; sets status
    for _ in $(seq $(($1 * 10))); do kill -0 "$lv" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$lv" 2>/dev/null && fail "the program did not end"
    status=0
    wait "$lv" || status=$?
}

name='Alpha Bank'
address='www.alpha.example'
customer='cust-4711'
password='Xq7pw9Lm2kVr'
main_title='Tandrell safe web address storage'

# --- first start: an entry typed, SAVE & CLOSE by keyboard ------------------------------------------
start_program
window "$main_title"
# The empty safe starts a new entry with the focus in its name box.
type_now "$name" -k Tab -k Tab "$address" -k Tab -k Tab "$customer" -k Tab -k Tab -k Tab -k Tab "$password"
# Back from the password box to the name box (8), then to HELP (8) and over the footer to SAVE &
# CLOSE (6).
keys=()
for _ in $(seq 22); do keys+=(-M shift -k Tab -m shift -s 60); done
typing 2500 "${keys[@]}"
sleep 2.5
shot 01-first-start-save-close-focused
wait "$typist"
type_now -k Return
wait_exit 20
[ "$status" -eq 0 ] || fail "the first run ended with status $status"
[ -s "$home/Documents/Lockvex/TrelLockvex.acsdb" ] || fail "no data file after the first run"
echo "first run: entry typed, SAVE & CLOSE by keyboard"

# --- second start: sign in, walk, copy, SIGTERM -----------------------------------------------------
start_program
window 'Lockvex access password'
type_now "$password" -k Return
window "$main_title"
type_now "Alph" # the search box has the focus
# The search box, the list, the letter tabs, Select Password, IMPORT PASSWORDS, LOAD MEMORY STICK,
# DELETE ITEM, Website Name: each stop shows a focus ring.
stops=(search list letter-tabs select-password import load-memory-stick delete-item website-name)
for i in "${!stops[@]}"; do
    # On the letter tabs the mark starts on the selected tab "*", drawn white on its fill: Down
    # moves it to "A", where it shows as the ring of the other stops.
    case "${stops[$i]}" in
    search) typing 2500 -k Shift_L ;;
    letter-tabs) typing 2500 -k Tab -s 100 -k Down ;;
    *) typing 2500 -k Tab ;;
    esac
    sleep 1.5
    picture=$(printf '%02d-tab-%s' $((i + 2)) "${stops[$i]}")
    shot "$picture"
    wait "$typist"
    [ -n "$(focus_ring "$out/$picture.png")" ] || fail "no focus ring at the stop '${stops[$i]}' ($picture.png)"
done
echo "second run: signed in, found by search, a focus ring at each of ${#stops[@]} stops"
# From the name box to the password box (8): selecting it leaves the primary selection alone.
tabs 8
type_now -M ctrl -k a -m ctrl
sleep 0.5
[ "$(primary)" != "$password" ] || fail "selecting the password put it on the primary selection"
# Its Copy button, by keyboard.
tabs 1
typing 2500 -k Return
wait_clipboard "$password" || fail "Return on the password's Copy button did not copy it (the clipboard holds '$(clipboard)')"
clipboard_types | grep -qx 'x-kde-passwordManagerHint' ||
    fail "the copy lacks x-kde-passwordManagerHint; types: $(clipboard_types | tr '\n' ' ')"
shot 10-password-copied
wait "$typist"
echo "second run: password copied by keyboard with the hint, kept off the primary selection"

# The signal goes to the program itself, not to runuser, which would follow it with SIGKILL.
# ($lv is the shell that runs runuser, whose child is the program; as the user itself, the shell
# runs the program.)
program_pid=$(pgrep -P "$lv" | head -n 1 || true)
[ "$(id -u)" -eq 0 ] && program_pid=$(pgrep -P "$program_pid" | head -n 1 || true)
[ -n "$program_pid" ] || fail "the program's process was not found"
kill -TERM "$program_pid"
wait_exit 20
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status"
[ "$(clipboard)" != "$password" ] || fail "the password is still on the clipboard after the end"
[ -e "$home/Documents/Lockvex/TrelLockvex.BAC0" ] || fail "no BAC0 after SIGTERM"
echo "second run: SIGTERM ended it; clipboard after the end: '$(clipboard)'"
echo "desktop test on Wayland passed; pictures in $out"
