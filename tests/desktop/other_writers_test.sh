#!/usr/bin/env bash
# Another program changes the data file while Lockvex runs on a real X server, driven from outside
# as a person would (xdotool key presses, the X clipboard read with xclip):
#
#   rename    a sync client writes its version to a temporary name in the data folder and
#             renames it over the data file;
#   in-place  a restore with cp writes its version over the same file (same inode), the slots in
#             another order.
#
# The start data: Alpha Bank (customer ID alice), Bravo Mail (bob), Charlie Notes. The other
# version: Alpha's customer ID alice-sync and a new entry Sync Added. After the other writer, the
# program must tell "YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM"; Bravo's customer ID is then
# changed to bob-local in the window, the entry left, SAVE & CLOSE. After a second start and
# close, the data file (read with the file format's own decoder) holds exactly
# Alpha Bank|alice-sync, Bravo Mail|bob-local, Charlie Notes, Sync Added, each once.
#
# Usage: tests/desktop/other_writers_test.sh program data_file_tool output-folder
set -euo pipefail
program=$(realpath "$1")
tool=$(realpath "$2")
out=$3
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
started=()
lv=""
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: ${case_name:-}: $*"
    import -window root "$out/fail-${case_name:-setup}.png" 2>/dev/null || true
    [ -s "$work/program.err" ] && { echo "--- program's error output:"; cat "$work/program.err"; }
    exit 1
}

title='YOUR DATA FILE WAS CHANGED BY ANOTHER PROGRAM'
main_title='Tandrell safe web address storage'
primary_colour='srgb(29,106,174)'

# --- the X server -------------------------------------------------------------------------------
Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(cat "$work/display")
echo "X server on $DISPLAY"

# --- helpers ------------------------------------------------------------------------------------
start_program() {
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=xcb \
        WAYLAND_DISPLAY= "$program" 2>>"$work/program.err" &
    lv=$!
    started+=($lv)
}
alive() { kill -0 "$lv" 2>/dev/null || fail "the program ended: $1"; }
shot() { import -window root "$out/$case_name-$1.png"; }

# The visible main window, with the keyboard focus; waits up to 60 s.
main_window() {
    local id=""
    for _ in $(seq 600); do
        id=$(xdotool search --onlyvisible --pid "$lv" --name "$main_title" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        alive "while waiting for the main window"
        sleep 0.1
    done
    [ -n "$id" ] || fail "no main window"
    xdotool windowfocus --sync "$id"
    sleep 1 # the window's own activation work (refresh, focus) runs after it shows
    echo "$id"
}
visible_windows() { xdotool search --onlyvisible --pid "$lv" '' 2>/dev/null | sort || true; }
# A visible window of the program that was not there when the main window showed (the
# program's own helper windows count as there), waited for up to $1 seconds; empty
# when none came.
other_window() {
    local id=""
    for _ in $(seq $(($1 * 10))); do
        id=$(comm -13 <(echo "$baseline") <(visible_windows) | head -n 1)
        [ -n "$id" ] && break
        alive "while waiting for a message"
        sleep 0.1
    done
    echo "$id"
}
# Answers the other writers' message (window $1): its title is checked, Return takes its OK.
answer_message() {
    local name
    name=$(xdotool getwindowname "$1" 2>/dev/null || true)
    [[ "$name" == *"$title"* ]] || fail "a message came, but it is '$name'"
    xdotool windowfocus --sync "$1"
    sleep 0.8 # the message takes the keyboard itself as it opens
    shot message
    xdotool key Return
    for _ in $(seq 100); do
        visible_windows | grep -qxF "$1" || break
        sleep 0.1
    done
    visible_windows | grep -qxF "$1" && fail "the message did not close on Return"
    told=yes
    xdotool windowfocus --sync "$main"
    sleep 0.5
}

type_text() { xdotool type --delay 40 -- "$1"; sleep 0.3; }
keys() { xdotool key --delay 90 "$@"; sleep 0.4; }
tabs() { keys --repeat "$1" --delay 90 Tab; }
back_tabs() { keys --repeat "$1" --delay 90 shift+Tab; }
clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null || true; }
set_clipboard() { printf '%s' "$1" | timeout 5 xclip -selection clipboard -i >/dev/null 2>&1 || true; }
# The focused box's text, read as the user would copy it ("" for an empty box).
field_text() {
    local probe text
    probe="probe-$RANDOM"
    set_clipboard "$probe"
    for _ in $(seq 50); do [ "$(clipboard)" = "$probe" ] && break; sleep 0.1; done
    keys ctrl+a ctrl+c
    for _ in $(seq 20); do
        text=$(clipboard)
        [ "$text" != "$probe" ] && break
        sleep 0.1
    done
    [ "$text" = "$probe" ] && text=""
    echo "$text"
}
expect_field() { # expected what
    local text
    text=$(field_text)
    [ "$text" = "$1" ] || fail "$2: the focused box holds '$text', not '$1'"
}

# Finds the entry whose name starts with $1 by the search box (which has the focus) and moves the
# focus to its customer ID, checking the name shown. The main window's order from the search box:
# the list, the letter tabs, Select Password, IMPORT, LOAD, DELETE, Website Name, CREATE NEW ITEM,
# Website address, GO TO THIS WEBSITE, Customer ID.
to_customer_id() { # search name
    keys ctrl+a
    type_text "$1"
    tabs 7
    expect_field "$2" "the entry found by searching '$1'"
    tabs 4
}

# SAVE & CLOSE: the lowest of the window's blue primary buttons.
save_and_close() {
    import -window "$main" "$work/window.png"
    local buttons sx sy sw sh
    buttons=$(convert "$work/window.png" -fuzz 10% -fill black +opaque "$primary_colour" -fill white -opaque "$primary_colour" \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk '/srgb\(255,255,255\)|gray\(255\)/ { split($2, b, /[x+]/); print b[3], b[4], b[1], b[2], $4 }' |
        awk '$3 >= 60 && $3 <= 400 && $4 >= 18 && $4 <= 60 && $5 >= 0.5 * $3 * $4' | sort -n -k2)
    [ -n "$buttons" ] || fail "no primary button found"
    read -r sx sy sw sh _ <<<"$(tail -n 1 <<<"$buttons")"
    xdotool mousemove --window "$main" $((sx + sw / 2)) $((sy + sh / 2)) click 1
    local status=0
    for _ in $(seq 600); do kill -0 "$lv" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$lv" 2>/dev/null && fail "SAVE & CLOSE did not end the program within 60 s"
    wait "$lv" || status=$?
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

expected=$'Alpha Bank|alice-sync\nBravo Mail|bob-local\nCharlie Notes|\nSync Added|'
check_data() { # when
    local dump status=0
    dump=$("$tool" dump "$data/TrelLockvex.acsdb") || status=$?
    [ "$status" -eq 0 ] || fail "$1: the data file cannot be read or holds a name or key twice (status $status):"$'\n'"$dump"
    [ "$(sort <<<"$dump")" = "$expected" ] || fail "$1: the data file holds"$'\n'"$dump"$'\n'"instead of"$'\n'"$expected"
}

# --- the cases ----------------------------------------------------------------------------------
mkdir -p "$work/start" "$work/other"
"$tool" write "$work/start/TrelLockvex.acsdb" "Alpha Bank=alice" "Bravo Mail=bob" "Charlie Notes" ||
    fail "the start data could not be written"
"$tool" write "$work/other/TrelLockvex.acsdb" "Sync Added" "Charlie Notes" "Bravo Mail=bob" "Alpha Bank=alice-sync" ||
    fail "the other version could not be written"

for case_name in rename in-place; do
    home=$work/home-$case_name
    data=$home/Documents/Lockvex
    mkdir -p "$home/runtime" "$data"
    chmod 700 "$home/runtime"
    cp "$work/start/TrelLockvex.acsdb" "$data/"
    chmod 600 "$data/TrelLockvex.acsdb"
    : >"$work/program.err"
    told=""

    start_program
    main=$(main_window)
    baseline=$(visible_windows)
    to_customer_id "Bravo" "Bravo Mail"
    expect_field "bob" "Bravo's customer ID at the start"
    back_tabs 11 # the search box
    shot before

    # The other writer.
    inode=$(stat -c %i "$data/TrelLockvex.acsdb")
    if [ "$case_name" = rename ]; then
        cp "$work/other/TrelLockvex.acsdb" "$data/.TrelLockvex.acsdb.sync-tmp"
        mv -f "$data/.TrelLockvex.acsdb.sync-tmp" "$data/TrelLockvex.acsdb"
        [ "$(stat -c %i "$data/TrelLockvex.acsdb")" != "$inode" ] || fail "the rename kept the inode"
    else
        cp "$work/other/TrelLockvex.acsdb" "$data/TrelLockvex.acsdb"
        [ "$(stat -c %i "$data/TrelLockvex.acsdb")" = "$inode" ] || fail "cp did not write in place"
    fi
    # The watch tells while the user only reads; should it not, the save below must.
    message=$(other_window 20)
    [ -z "$message" ] || answer_message "$message"

    # The change here, after the other writer's: Bravo's customer ID, then the entry is left.
    to_customer_id "Bravo" "Bravo Mail"
    expect_field "bob" "Bravo's customer ID after the other writer"
    keys ctrl+a
    type_text "bob-local"
    back_tabs 11 # entering the search box saves the entry
    if [ -z "$told" ]; then
        message=$(other_window 20)
        [ -n "$message" ] || fail "no message told of the other writer"
        answer_message "$message"
    fi
    alive "after the change"
    to_customer_id "Alpha" "Alpha Bank"
    expect_field "alice-sync" "Alpha's customer ID in the window"
    back_tabs 11
    to_customer_id "Sync" "Sync Added"
    back_tabs 11
    to_customer_id "Bravo" "Bravo Mail"
    expect_field "bob-local" "Bravo's customer ID in the window"
    shot after
    save_and_close
    check_data "after SAVE & CLOSE"

    # The next start reads the combined file and closes it again.
    start_program
    main=$(main_window)
    baseline=$(visible_windows)
    save_and_close
    check_data "after the next start and close"
    echo "$case_name: told, both sides' changes kept after a restart"
done
echo "other writers on X passed; screenshots in $out"
