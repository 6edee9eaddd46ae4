#!/usr/bin/env bash
# Lockvex on a real X server, driven from outside as a person would: real key presses and mouse
# clicks (xdotool, through the XTEST extension), the real X clipboard read with xclip, and a
# small clipboard manager (clipboard_keeper) that keeps the clipboard after the program ends, as
# a desktop session's does.
#
# 1. First start on a new home folder: the empty safe starts a new entry; name, address, customer
#    ID and password are typed; "CREATE NEW ITEM" moves to a new entry (which saves the first);
#    "SAVE & CLOSE" ends the program.
# 2. Second start: the sign-in takes the entry's password; the search box finds the entry; the
#    password's Copy button puts the password on the X clipboard, offering the
#    x-kde-passwordManagerHint target; the password selected with the keyboard and with a triple
#    click stays off the primary selection; SIGTERM (as at log-out) ends the program, after which the
#    clipboard holds "Clipboard cleared by Lockvex" and the data folder holds the data file and
#    BAC0, every file 0600, and no TEMP copy.
#
# 3. Third start, by keyboard alone (no pointer event): the sign-in; the entry found by a letter
#    tab and by the search; its password copied with its Copy button and with Ctrl+C, both
#    offering the hint; the "Select Password" drop-down opened and closed with Esc while the
#    program runs on; an entry created, one renamed and one deleted with the questions answered;
#    a small CSV imported with every record accepted; SAVE & CLOSE.
#
# Controls are found from outside: fields by the keyboard's tab order (a field's text is read
# back with Ctrl+A, Ctrl+C), buttons by where they lie next to the focused field, whose focus
# frame is found in a screenshot, and "SAVE & CLOSE" as the lowest of the window's blue primary
# buttons. Screenshots of each step go into the output folder.
#
# Usage: tests/desktop/x11_test.sh program clipboard_keeper output-folder [--check-copy]
# Without --check-copy the Copy button step is left out (for a main window whose Copy buttons do
# not copy yet); the clipboard is still checked after the end.
set -euo pipefail
program=$(realpath "$1")
keeper=$(realpath "$2")
out=$3
check_copy=${4:-}
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
home=$work/home
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
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

# Colours of the program's style: the frame of the focused field and the primary buttons' face.
focus_colour='srgb(29,95,150)'
primary_colour='srgb(29,106,174)'

# --- the X server and the clipboard manager -------------------------------------------------
Xvfb -displayfd 5 -screen 0 1600x1200x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(cat "$work/display")
"$keeper" >"$work/keeper.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do grep -q ready "$work/keeper.log" && break; sleep 0.1; done
grep -q ready "$work/keeper.log" || fail "the clipboard manager did not start: $(cat "$work/keeper.log")"
echo "X server on $DISPLAY"

# --- helpers -----------------------------------------------------------------------------------
start_program() {
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" QT_QPA_PLATFORM=xcb \
        WAYLAND_DISPLAY= "$program" 2>>"$work/program.err" &
    lv=$!
    started+=($lv)
}

# The visible window of the program whose title contains $1; it gets the keyboard focus.
window() {
    local id=""
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --pid "$lv" --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        kill -0 "$lv" 2>/dev/null || fail "the program ended while waiting for the window '$1'"
        sleep 0.1
    done
    [ -n "$id" ] || fail "no window '$1'"
    xdotool windowfocus --sync "$id"
    sleep 0.5 # the window's own activation work (refresh, focus) runs after it shows
    echo "$id"
}

shot() { import -window root "$out/$1.png"; }

type_text() { xdotool type --delay 25 -- "$1"; }

# Components of one colour in the window: "x y w h area" per line, positions within the window.
components() { # window colour fuzz
    import -window "$1" "$work/window.png"
    convert "$work/window.png" -fuzz "$3" -fill black +opaque "$2" -fill white -opaque "$2" \
        -define connected-components:verbose=true -connected-components 8 null: 2>/dev/null |
        awk '/srgb\(255,255,255\)|gray\(255\)/ { split($2, b, /[x+]/); print b[3], b[4], b[1], b[2], $4 }'
}

# The frame of the focused field: a hollow rectangle in the focus colour (looked for a few times:
# the window may still be moving the focus).
focus_frame() {
    local frame=""
    for _ in $(seq 10); do
        frame=$(components "$1" "$focus_colour" 3% | awk '$3 >= 40 && $4 >= 14 && $5 < 0.35 * $3 * $4' | head -n 1)
        [ -n "$frame" ] && break
        sleep 0.3
    done
    echo "$frame"
}

click() { # window x y
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.4
}

# Clicks the button that sits right of the focused field, on the field's line.
click_right_of_focus() {
    local frame x y w h
    frame=$(focus_frame "$1")
    [ -n "$frame" ] || fail "no focused field found for: $2"
    read -r x y w h _ <<<"$frame"
    click "$1" $((x + w + 24)) $((y + h / 2))
}

clipboard() { timeout 5 xclip -selection clipboard -o 2>/dev/null || true; }
primary() { timeout 5 xclip -selection primary -o 2>/dev/null || true; }
clipboard_targets() { timeout 5 xclip -selection clipboard -o -t TARGETS 2>/dev/null || true; }
set_clipboard() { printf '%s' "$1" | xclip -selection clipboard -i >/dev/null 2>&1; }

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

# --- first start: a new entry ---------------------------------------------------------------
start_program
main=$(window 'Tandrell safe web address storage')
# An empty safe starts a new entry with the focus in its name field, "CREATE NEW ITEM" beside it.
frame=$(focus_frame "$main")
[ -n "$frame" ] || { cp "$work/window.png" "$out/no-focus.png"; fail "the first start has no focused field"; }
read -r nx ny nw nh _ <<<"$frame"
type_text "$name"
xdotool key Tab Tab # past CREATE NEW ITEM
type_text "$address"
xdotool key Tab Tab # past GO TO THIS WEBSITE
type_text "$customer"
xdotool key Tab Tab Tab Tab # past the customer ID's Copy, the PIN and its Copy
type_text "$password"
sleep 0.3
shot 01-first-start-entry-typed
click "$main" $((nx + nw + 24)) $((ny + nh / 2)) # CREATE NEW ITEM: the typed entry is saved
shot 02-first-start-new-entry
buttons=$(components "$main" "$primary_colour" 10% | awk '$3 >= 60 && $3 <= 400 && $4 >= 18 && $4 <= 60 && $5 >= 0.5 * $3 * $4' | sort -n -k2)
[ -n "$buttons" ] || fail "no primary button found"
read -r sx sy sw sh _ <<<"$(tail -n 1 <<<"$buttons")"
click "$main" $((sx + sw / 2)) $((sy + sh / 2)) # SAVE & CLOSE
wait_exit 20
[ "$status" -eq 0 ] || fail "the first run ended with status $status"
echo "first run: entry typed, saved, closed with SAVE & CLOSE"

# --- second start: sign in, find, copy --------------------------------------------------------
start_program
signin=$(window 'Lockvex access password')
type_text "$password"
shot 03-sign-in
xdotool key Return
main=$(window 'Tandrell safe web address storage')
type_text "Alph" # the search box has the focus
sleep 0.5
shot 04-found-by-search
# Walk the tab order until the field that holds the password has the focus; the fields passed on
# the way tell what the first run stored.
seen=()
found=""
for i in $(seq 40); do
    set_clipboard "probe $i"
    xdotool key Tab ctrl+a ctrl+c
    sleep 0.15
    text=$(clipboard)
    [ "$text" = "probe $i" ] || seen+=("$text")
    if [ "$text" = "$password" ]; then found=yes; break; fi
done
[ -n "$found" ] || fail "no field holds the password; fields seen: ${seen[*]}"
for expected in "$name" "$address" "$customer"; do
    printf '%s\n' "${seen[@]}" | grep -qxF -- "$expected" || fail "the stored entry lacks '$expected'; fields seen: ${seen[*]}"
done
# Selecting the password, by keyboard (the Ctrl+A above) or with a triple click, hands nothing to
# the primary selection, where clipboard managers keep it unmarked; Ctrl+C still copies the
# selection, with the hint.
[ "$(primary)" != "$password" ] || fail "selecting the password with Ctrl+A put it on the primary selection"
frame=$(focus_frame "$main")
[ -n "$frame" ] || fail "no frame around the password box"
read -r px py pw ph _ <<<"$frame"
xdotool mousemove --window "$main" $((px + pw / 2)) $((py + ph / 2)) click --repeat 3 --delay 80 1
sleep 0.5
[ "$(primary)" != "$password" ] || fail "a triple click in the password box put it on the primary selection"
set_clipboard "not the password"
xdotool key ctrl+c
wait_clipboard "$password" || fail "Ctrl+C after the triple click did not copy the password"
clipboard_targets | grep -qx 'x-kde-passwordManagerHint' || fail "Ctrl+C of the selected password lacks the hint"
echo "second run: a selected password stays off the primary selection, Ctrl+C copies it"
if [ "$check_copy" = --check-copy ]; then
    set_clipboard "not the password"
    wait_clipboard "not the password" || fail "could not put a text on the clipboard"
    click_right_of_focus "$main" "the password's Copy button"
    wait_clipboard "$password" ||
        fail "the password's Copy button did not put the password on the clipboard (it holds '$(clipboard)')"
    clipboard_targets | grep -qx 'x-kde-passwordManagerHint' ||
        fail "the clipboard does not offer x-kde-passwordManagerHint; targets: $(clipboard_targets | tr '\n' ' ')"
    shot 05-password-copied
    echo "second run: signed in, found by search, password copied with the hint"
else
    echo "second run: signed in, found by search (Copy button step not asked for)"
fi

# --- log-out: SIGTERM -------------------------------------------------------------------------
kill -TERM "$lv"
wait_exit 20
[ "$status" -eq 0 ] || fail "SIGTERM ended the program with status $status"
wait_clipboard "Clipboard cleared by Lockvex" || fail "after the end the clipboard holds '$(clipboard)'"
clipboard_targets | grep -qx 'x-kde-passwordManagerHint' ||
    fail "the clearing text lacks x-kde-passwordManagerHint; targets: $(clipboard_targets | tr '\n' ' ')"
shot 06-after-sigterm
data=$home/Documents/Lockvex
[ -s "$data/TrelLockvex.acsdb" ] || fail "no data file"
[ -e "$data/TrelLockvex.BAC0" ] || fail "no BAC0"
for f in "$data"/* "$data"/.[!.]*; do
    [ -e "$f" ] || continue
    [ "$(stat -c %a "$f")" = 600 ] || fail "$(basename "$f") has mode $(stat -c %a "$f")"
    case "$f" in *TEMP*) fail "a TEMP file is left: $f" ;; esac
done
echo "data folder: $(cd "$data" && ls -A | tr '\n' ' ')"

# --- third start: the keyboard alone ------------------------------------------------------------
# No pointer event at all: every control is reached with Tab and Shift+Tab in the window's order
# (counted below) and pressed with Return. Without cloud folders the order of the main window is
# HELP, Search Names, the list, the letter tabs, Select Password, IMPORT PASSWORDS,
# LOAD MEMORY STICK, DELETE ITEM, Website Name, CREATE NEW ITEM, Website address,
# GO TO THIS WEBSITE, Customer ID, its Copy, PIN, its Copy, Password, its Copy, ...
keys() { xdotool key --delay 90 "$@"; sleep 0.4; }
tabs() { keys --repeat "$1" --delay 90 Tab; }
back_tabs() { keys --repeat "$1" --delay 90 shift+Tab; }
# The focused box's text, read as the user would copy it ("" for an empty box).
field_text() {
    set_clipboard "probe-$RANDOM"
    local probe
    probe=$(clipboard)
    keys ctrl+a ctrl+c
    local text
    text=$(clipboard)
    [ "$text" = "$probe" ] && text=""
    echo "$text"
}
expect_field() { # expected what
    local text
    text=$(field_text)
    [ "$text" = "$1" ] || { shot "fail-$2"; fail "$2: the focused box holds '$text', not '$1'"; }
}
visible_windows() { xdotool search --onlyvisible --pid "$lv" '' 2>/dev/null | sort || true; }
# Waits for a window of the program that was not there before (a message, the import window)
# and gives it the keyboard.
new_window() { # windows-before
    local id=""
    for _ in $(seq 100); do
        id=$(comm -13 <(echo "$1") <(visible_windows) | head -n 1)
        [ -n "$id" ] && break
        kill -0 "$lv" 2>/dev/null || fail "the program ended while waiting for a new window"
        sleep 0.1
    done
    [ -n "$id" ] || fail "no new window came"
    xdotool windowfocus --sync "$id"
    sleep 0.4
    echo "$id"
}
alive() { kill -0 "$lv" 2>/dev/null || fail "the program ended: $1"; }
# Waits for a message of the program (a window that is neither the main nor the import window
# nor a message answered before).
answered=""
message_window() {
    local id=""
    for _ in $(seq 100); do
        id=$(visible_windows | grep -vxF -e "$main" -e "${import_window:-none}" ${answered} | head -n 1)
        [ -n "$id" ] && break
        alive "while waiting for a message"
        sleep 0.1
    done
    [ -n "$id" ] || { shot fail-no-message; fail "no message came"; }
    answered="$answered -e $id"
    sleep 0.8 # the message takes the keyboard itself as it opens
    echo "$id"
}

csv=$work/import.csv
printf 'Name\r\nImported One\r\nImported Two\r\n' >"$csv"
pointer_before=$(xdotool getmouselocation)
start_program
signin=$(window 'Lockvex access password')
type_text "$password"
keys Return
main=$(window 'Tandrell safe web address storage')
# The search box has the focus. A text no name holds empties the list and the fields.
type_text "zzz"
tabs 7 # the list, the letter tabs, Select Password, IMPORT, LOAD, DELETE, Website Name
expect_field "" "a search that finds nothing"
back_tabs 5 # back to the letter tabs
keys a      # the letter jumps, as a click on the tab "A" does, and empties the search
tabs 5
expect_field "$name" "the letter tab A"
back_tabs 7 # the search box
type_text "zzz"
keys ctrl+a
type_text "Alph"
tabs 7
expect_field "$name" "the search for 'Alph'"
shot 07-keyboard-found
# The password's Copy button by keyboard, then a copy out of the password box: both through the
# program's clipboard routine, with the hint.
tabs 9
set_clipboard "not the password"
keys Return
wait_clipboard "$password" || fail "Return on the password's Copy button did not copy it (the clipboard holds '$(clipboard)')"
clipboard_targets | grep -qx 'x-kde-passwordManagerHint' || fail "the Copy button's copy lacks the hint"
back_tabs 1
set_clipboard "not the password"
keys ctrl+a ctrl+c
wait_clipboard "$password" || fail "Ctrl+C in the password box did not copy it"
clipboard_targets | grep -qx 'x-kde-passwordManagerHint' ||
    fail "Ctrl+C in the password box copied without x-kde-passwordManagerHint; targets: $(clipboard_targets | tr '\n' ' ')"
echo "third run: found by letter tab and by search, password copied by keyboard with the hint"
# The drop-down opens and Esc closes it alone: the program keeps running, nothing asks.
back_tabs 12 # Select Password
before=$(visible_windows)
keys F4
sleep 0.5
shot 08-drop-down-open
[ "$(visible_windows)" != "$before" ] || fail "F4 did not open the drop-down"
keys Escape
sleep 0.5
alive "Esc closed the program instead of the drop-down"
[ "$(visible_windows)" = "$before" ] || fail "after Esc on the drop-down other windows show: $(visible_windows)"
echo "third run: Esc closed the drop-down only"
# Create: CREATE NEW ITEM comes right after the name box.
tabs 5 # IMPORT, LOAD, DELETE, Website Name, CREATE NEW ITEM
keys Return
type_text "Zeta Shop"
keys Tab
shot 09-keyboard-new-entry
# Rename: entering the search box saves the new entry; the found entry is renamed, and the
# question is answered Yes (Return would answer its default, No).
back_tabs 8 # Website Name, DELETE, LOAD, IMPORT, Select Password, the tabs, the list, Search Names
keys ctrl+a
type_text "Alph"
tabs 7
keys ctrl+a
type_text "Alpha Savings"
keys Tab
message_window >/dev/null
shot 10-keyboard-rename-question
keys shift+Tab space # from No to Yes
alive "after the rename"
# Delete the new entry, answering the question Yes.
back_tabs 8 # back to the search box from CREATE NEW ITEM
keys ctrl+a
type_text "Zeta"
tabs 7
expect_field "Zeta Shop" "the entry made by keyboard"
back_tabs 1 # DELETE ITEM
keys Return
message_window >/dev/null
keys shift+Tab space # from No to Yes
alive "after the delete"
tabs 1
expect_field "" "the deleted entry's name"
back_tabs 7
keys ctrl+a
type_text "Alpha"
tabs 7
expect_field "Alpha Savings" "the renamed entry"
echo "third run: entry created, renamed, deleted by keyboard"
# Import: IMPORT PASSWORDS, the file name, the import button, every record accepted with Return.
back_tabs 3
before=$(visible_windows)
keys Return
import_window=$(new_window "$before")
tabs 1 # HELP has the focus; the file name box is next
keys ctrl+a
type_text "$csv"
tabs 22 # Browse, the three View buttons, the 14 column boxes, the header box, the two Reset buttons, Import
keys Return
sleep 0.5
shot 11-keyboard-import-review
keys Return # Accept: the focus is on it while a record is shown
keys Return
# The import is complete: No (Esc) ends it, then the two security notes take Return.
message_window >/dev/null
keys Escape
for note in 1 2; do
    message_window >/dev/null
    keys Return
done
sleep 0.5
alive "after the import"
xdotool windowfocus --sync "$main"
sleep 0.5
keys ctrl+a
type_text "Imported"
tabs 7
expect_field "Imported One" "the first imported record"
back_tabs 6 # the list
keys Down
tabs 6
expect_field "Imported Two" "the second imported record"
echo "third run: CSV imported by keyboard, every record accepted"
# SAVE & CLOSE: before the footer's five controls at the end of the order.
back_tabs 14 # Website Name back to HELP (8), then the logo, Twitter, Facebook, Tell us, Share, SAVE & CLOSE
shot 12-keyboard-save-close
keys Return
wait_exit 20
[ "$status" -eq 0 ] || fail "the keyboard run ended with status $status"
[ "$(xdotool getmouselocation)" = "$pointer_before" ] || fail "the pointer moved during the keyboard run"
echo "third run: saved and closed by keyboard alone"
echo "end-to-end test on X passed; screenshots in $out"
