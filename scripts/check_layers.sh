#!/usr/bin/env bash
# Fails when an include runs from a lower layer up into a higher one, or when code below the window
# layer includes a Qt Widgets header. The layers, lowest first (docs/architecture.md):
#
#   platform      the desktop seam; every layer may call it, it calls none of them
#   common        free routines
#   store         the record store
#   entries       the item and list managers
#   app           the run, its settings, messages and sign-in decisions (no widget)
#   import        the CSV import engine (no widget)
#   ui/shared     what the windows share: style, window frame, header band, panels, placement
#   ui/<window>   one folder per window (main, entry, quicklist, signin, messages, import); a
#                 window may open another one
#   program       the program body that wires the windows into the run; main.cpp above it
#
# platform/desktop is the platform's desktop implementation (file dialogs, clipboard): it may use
# widgets, and only the program installs it.
#
# Usage: scripts/check_layers.sh [source folder] [QtWidgets header folder]
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
widgets_dir="${2:-}"
cd "$src"

if [[ -z "$widgets_dir" ]]; then
    qt_headers=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || true)
    for candidate in "$qt_headers/QtWidgets" /usr/include/x86_64-linux-gnu/qt6/QtWidgets /usr/include/qt6/QtWidgets; do
        [[ -d "$candidate" ]] && widgets_dir="$candidate" && break
    done
fi
if [[ -z "$widgets_dir" || ! -d "$widgets_dir" ]]; then
    echo "QtWidgets headers not found; name their folder as the second argument" >&2
    exit 2
fi

# The layer of a file or an included path, as a rank: a file may include its own rank or lower.
rank_of() {
    case "$1" in
    platform/desktop/*) echo 8 ;; # installed by the program only
    platform/*) echo 0 ;;
    common/*) echo 1 ;;
    store/*) echo 2 ;;
    entries/*) echo 3 ;;
    app/*) echo 4 ;;
    import/*) echo 5 ;;
    ui/shared/*) echo 6 ;;
    ui/*/*) echo 7 ;;
    program/*) echo 8 ;;
    main.cpp) echo 9 ;;
    *) echo "" ;;
    esac
}

# Below the window layer no widget: ranks 0 to 5, the desktop platform excepted.
widget_free() {
    [[ "$1" != platform/desktop/* ]] && (($(rank_of "$1") <= 5))
}

failures=0
report() {
    echo "$1"
    failures=$((failures + 1))
}

files=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort)
for file in $files; do
    own=$(rank_of "$file")
    if [[ -z "$own" ]]; then
        report "$file: in no layer (add its folder to scripts/check_layers.sh)"
        continue
    fi
    while IFS=: read -r number included; do
        target=$(rank_of "$included")
        [[ -z "$target" || ! -e "$included" ]] && continue # a generated file, or not the program's
        ((target > own)) && report "$file:$number: includes \"$included\" from a higher layer"
    done < <(grep -noP '^\s*#\s*include\s+"\K[^"]+' "$file" || true)
    if widget_free "$file"; then
        while IFS=: read -r number included; do
            name=${included#QtWidgets/}
            if [[ "$included" == QtWidgets* || -e "$widgets_dir/$name" ]]; then
                report "$file:$number: includes the widget header <$included> below the window layer"
            fi
        done < <(grep -noP '^\s*#\s*include\s+<\K[^>]+' "$file" || true)
    fi
done

if ((failures > 0)); then
    echo "$failures include(s) against the layers; see docs/architecture.md"
    exit 1
fi
echo "every include in $src runs downwards; no widget below the window layer"
