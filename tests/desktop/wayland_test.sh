#!/usr/bin/env bash
# Lockvex on a real Wayland compositor, driven from outside as a person would: sway without a
# screen (headless, software rendering), the program on Qt's Wayland platform, keys typed with
# wtype (a virtual keyboard), the clipboard read with wl-paste and pictures taken with grim.
#
# 1. First start on a new home folder: the empty safe starts a new entry; name, address,
#    customer ID and password are typed; SAVE & CLOSE saves it and ends the program.
# 2. Second start: the sign-in takes the password; the search finds the entry; Tab walks the main
#    window from the search box to the password box, with a picture at every stop that must show
#    the focus moved (and, on the text boxes, their focus frame); Ctrl+A, Ctrl+C in the password
#    box puts the password on the Wayland clipboard offering x-kde-passwordManagerHint and leaves
#    it off the primary selection; SIGTERM
#    ends the program with status 0, the data file and BAC0 written, and the password no longer
#    on the clipboard.
#
# sway refuses to run as root: run as root (as on CI), the test makes an ordinary user of its own
# (lockvex-wayland) and runs the compositor, the program and the tools as that user. The test
# skips (status 77) only when the compositor does not start at all and the test does not run as
# root; as root that is a failure. Every process it starts ends by itself: the compositor after
# a few minutes at most, the program after one.
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

# --- the user, the compositor -----------------------------------------------------------------
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    user=lockvex-wayland
    # (another run of the test may be making it at the same moment)
    id "$user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" 2>/dev/null ||
        id "$user" >/dev/null 2>&1 || fail "could not create the user $user"
    run_as=(setpriv --reuid="$user" --regid="$user" --clear-groups)
    chown "$user:" "$work"
fi
# The program's files: a home of its own, and a copy of the program that the user can run
# wherever the build folder lies.
home=$work/home
mkdir -p "$home" "$work/runtime"
cp "$program" "$work/lockvex"
[ ${#run_as[@]} -eq 0 ] || chown -R "$user:" "$home" "$work/runtime" "$work/lockvex"
chmod 700 "$work/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$work/runtime
# Nothing of the desktop the test runs in: no X server, no other compositor, no session bus.
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK DBUS_SESSION_BUS_ADDRESS

cat >"$work/sway.config" <<'EOF'
output HEADLESS-1 resolution 1600x1200
default_border none
xwayland disable
EOF
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    timeout 240 "${run_as[@]}" sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
started+=($!)
socket=""
for _ in $(seq 100); do
    socket=$(cd "$work/runtime" && ls wayland-* 2>/dev/null | grep -v '\.lock$' | head -n 1) || true
    [ -n "$socket" ] && break
    kill -0 "${started[0]}" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$socket" ]; then
    echo "--- sway's output:"
    tail -n 20 "$work/sway.log"
    [ ${#run_as[@]} -eq 0 ] && { echo "SKIP: the compositor (sway) could not start here"; exit 77; }
    fail "the compositor (sway) did not start"
fi
export WAYLAND_DISPLAY=$socket
SWAYSOCK=$(ls "$work"/runtime/sway-ipc.*.sock 2>/dev/null | head -n 1) || true
export SWAYSOCK
echo "sway on $WAYLAND_DISPLAY"

# --- helpers -----------------------------------------------------------------------------------
start_program() {
    QT_QPA_PLATFORM=wayland timeout 120 "${run_as[@]}" "$work/lockvex" 2>>"$work/program.err" &
    lv=$!
    started+=($lv)
}

# The title of the window that has the compositor's focus.
focused_title() {
    timeout 5 "${run_as[@]}" swaymsg -r -t get_tree 2>/dev/null | /usr/bin/python3 -c '
import json, sys
def walk(n):
    if n.get("focused"): print(n.get("name") or "")
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))' 2>/dev/null || true
}
# Waits until a window whose title contains $1 has the compositor's focus.
window() {
    for _ in $(seq 200); do
        [[ $(focused_title) == *"$1"* ]] && { sleep 0.8; return 0; } # the window's own activation work runs after it shows
        kill -0 "$lv" 2>/dev/null || fail "the program ended while waiting for the window '$1'"
        sleep 0.1
    done
    fail "no focused window '$1' (the focus is on '$(focused_title)')"
}

# Keys, as one virtual keyboard: wtype's arguments; the pause in front lets the compositor take
# the new keyboard (its first key is lost otherwise).
keys() { timeout 60 "${run_as[@]}" wtype -d 20 -s 400 "$@"; }
repeat() { local n=$1 i; shift; for ((i = 0; i < n; i++)); do printf '%s\n' "$@"; done; }

shot() { # name: a picture of the whole output
    timeout 10 "${run_as[@]}" grim "$work/shot.png" || fail "grim could not take a picture"
    cp "$work/shot.png" "$out/$1.png"
}

# The focused text box's frame in a picture: a hollow rectangle in the focus colour.
focus_frame() { # picture
    convert "$1" -fuzz 3% -fill black +opaque 'srgb(29,95,150)' -fill white -opaque 'srgb(29,95,150)' \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk '/srgb\(255,255,255\)|gray\(255\)/ { split($2, b, /[x+]/); if (b[1] >= 40 && b[2] >= 14 && $4 < 0.35 * b[1] * b[2]) print }' |
        head -n 1
}
# How many pixels differ between two pictures (0 when they cannot be compared).
changed_pixels() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 | awk '{ printf "%d", $1 + 0; exit }' || true; }

clipboard() { timeout 5 "${run_as[@]}" wl-paste -n 2>&1 || true; }
clipboard_types() { timeout 5 "${run_as[@]}" wl-paste --list-types 2>&1 || true; }

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

# --- first start: a new entry, SAVE & CLOSE -------------------------------------------------
# The empty safe starts a new entry with the focus in its name box. The main window's order:
# HELP, Search Names, the list, the letter tabs, Select Password, IMPORT PASSWORDS,
# LOAD MEMORY STICK, DELETE ITEM, Website Name, CREATE NEW ITEM, Website address,
# GO TO THIS WEBSITE, Customer ID, its Copy, PIN, its Copy, Password, ...; before HELP come the
# footer's logo, Twitter, Facebook, Tell us, Share and SAVE & CLOSE.
start_program
window 'Tandrell safe web address storage'
keys "$name" -k Tab -k Tab "$address" -k Tab -k Tab "$customer" -k Tab -k Tab -k Tab -k Tab "$password" -s 300
shot 01-first-start-entry-typed
# Back from the password box to SAVE & CLOSE, which saves the entry shown (Cancel would ask
# first); one keyboard for the way and the Return, with a pause on the button for its picture.
timeout 60 "${run_as[@]}" wtype -d 20 -s 400 -M shift $(repeat 22 -k Tab) -m shift -s 2500 -k Return &
started+=($!)
sleep 2.4
shot 02-first-start-save-close
wait_exit 20
[ "$status" -eq 0 ] || fail "the first run ended with status $status"
[ -s "$home/Documents/Lockvex/TrelLockvex.acsdb" ] || fail "SAVE & CLOSE left no data file"
echo "first run: entry typed, saved, closed with SAVE & CLOSE"

# --- second start: sign in, walk the window, copy, SIGTERM ------------------------------------
start_program
window 'Lockvex access password'
keys "$password" -s 200 -k Return
window 'Tandrell safe web address storage'
# The search box has the focus. One wtype runs through the whole walk: when a virtual keyboard
# goes, the compositor takes the keyboard focus from the window, which then draws no focus at
# all. It types the search, then a Tab every 1.5 s; a picture is taken a second after each
# key. Stop 0 is the search box; 7 Website Name, 9 its address, 11 Customer ID, 13 PIN and
# 15 Password; after the walk it copies the password and waits.
stops=15
timeout 90 "${run_as[@]}" wtype -d 20 -s 400 "Alph" -s 1500 $(repeat $stops -k Tab -s 1500) \
    -M ctrl -k a -k c -m ctrl -s 20000 &
walker=$!
started+=($walker)
t0=$(date +%s%N)
# Only pictures during the walk; they are looked at after it.
for ((i = 0; i <= stops; i++)); do
    # Tab i comes about 0.5 s + 1.5 s * i after the start; its picture 1 s later.
    wait_ms=$(( (t0 - $(date +%s%N)) / 1000000 + 1500 + 1500 * i ))
    [ "$wait_ms" -le 0 ] || sleep "$(awk -v ms="$wait_ms" 'BEGIN { printf "%.3f", ms / 1000 }')"
    timeout 10 "${run_as[@]}" grim -t ppm "$work/shot.ppm" || fail "grim could not take a picture"
    mv "$work/shot.ppm" "$work/stop-$i.ppm"
done
text_boxes=" 0 7 9 11 13 15 "
for ((i = 0; i <= stops; i++)); do
    convert "$work/stop-$i.ppm" "$out/$(printf '03-stop-%02d' "$i").png"
    if [ "$i" -gt 0 ]; then
        moved=$(changed_pixels "$work/stop-$((i - 1)).ppm" "$work/stop-$i.ppm")
        [ "${moved:-0}" -ge 60 ] ||
            fail "Tab to stop $i showed no moved focus (${moved:-no} pixels changed; pictures in $out)"
    fi
    if [[ $text_boxes == *" $i "* ]]; then
        [ -n "$(focus_frame "$work/stop-$i.ppm")" ] || fail "the text box at stop $i shows no focus frame (picture in $out)"
    fi
done
echo "second run: signed in, walked $stops stops of the main window, the focus visible at each"
copied=""
for _ in $(seq 50); do
    [ "$(clipboard)" = "$password" ] && { copied=yes; break; }
    sleep 0.1
done
[ -n "$copied" ] || fail "Ctrl+C in the password box did not put the password on the clipboard (it holds '$(clipboard)')"
clipboard_types | grep -qx 'x-kde-passwordManagerHint' ||
    fail "the copy lacks x-kde-passwordManagerHint; types: $(clipboard_types | tr '\n' ' ')"
# Ctrl+A selected the password: a secret box never hands its text to the primary selection.
primary=$(timeout 5 "${run_as[@]}" wl-paste -n --primary 2>&1 || true)
[ "$primary" != "$password" ] || fail "selecting the password put it on the primary selection"
shot 04-password-copied
echo "second run: password copied by keyboard, offering the hint, kept off the primary selection"

kill -TERM "$lv"
wait_exit 20
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status"
kill "$walker" 2>/dev/null || true
after=$(clipboard)
[[ $after != *"$password"* ]] || fail "the password is still on the clipboard after the end"
echo "after the end the clipboard gives: $after"
data=$home/Documents/Lockvex
[ -s "$data/TrelLockvex.acsdb" ] || fail "no data file"
[ -e "$data/TrelLockvex.BAC0" ] || fail "no BAC0"
for f in "$data"/*; do
    case "$f" in *TEMP*) fail "a TEMP file is left: $f" ;; esac
done
echo "end-to-end test on Wayland passed; screenshots in $out"
