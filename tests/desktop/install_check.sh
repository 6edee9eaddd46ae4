#!/usr/bin/env bash
# Checks what a user gets on the desktop: the desktop entry and the AppStream metadata pass their
# validators; `cmake --install` into an empty prefix and the Debian package that CPack makes both
# hold the program, the desktop entry, the icons at every hicolor size, the metadata, the help
# pages, the manual page, the copyright file and the changelog; the help pages have a part for
# every help context number that a window or button carries; the package depends on the Qt 6
# runtime and lintian finds no error or warning in it; and the installed program runs.
# Usage: tests/desktop/install_check.sh build-folder source-folder
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

metainfo=share/metainfo/example.lockvex.Lockvex.metainfo.xml
icon_sizes=(16 22 24 32 48 64 128 256)
expected=(
    bin/lockvex
    share/applications/lockvex.desktop
    share/icons/hicolor/scalable/apps/lockvex.svg
    $(for size in "${icon_sizes[@]}"; do echo "share/icons/hicolor/${size}x${size}/apps/lockvex.png"; done)
    "$metainfo"
    share/doc/lockvex/help/index.html
    share/doc/lockvex/help/style.css
    share/doc/lockvex/help/lockvex_help/index.html
    share/doc/lockvex/help/sign-in.html
    share/doc/lockvex/help/main-window.html
    share/doc/lockvex/help/quick-list.html
    share/doc/lockvex/help/entry-window.html
    share/doc/lockvex/help/import.html
    share/man/man1/lockvex.1.gz
    share/doc/lockvex/copyright
    share/doc/lockvex/changelog.gz
)

validate() { # folder holding share/
    local root=$1
    desktop-file-validate "$root/share/applications/lockvex.desktop" || fail "desktop-file-validate: $root"
    appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate: $root"
}

echo "== validators on the sources"
desktop-file-validate "$source/desktop/lockvex.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$source/desktop/example.lockvex.Lockvex.metainfo.xml" || fail "appstreamcli validate"

echo "== cmake --install into an empty prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
for f in "${expected[@]}"; do
    [ -s "$prefix/$f" ] || fail "installed tree lacks $f"
done
validate "$prefix"
for size in "${icon_sizes[@]}"; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/lockvex.png" | grep -q "PNG image data, $size x $size" ||
        fail "the $size px icon is not a $size x $size PNG"
done
man --warnings -l "$prefix/share/man/man1/lockvex.1.gz" 2>&1 >/dev/null | grep . && fail "the manual page has warnings"
man -l "$prefix/share/man/man1/lockvex.1.gz" 2>/dev/null | grep -q -- '--version' || fail "the manual page lacks the options"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/lockvex.svg" || fail "the scalable icon is not an SVG"
version=$(env -i HOME="$work/home" "$prefix/bin/lockvex" --version) || fail "installed program --version"
[ "$version" = "Lockvex 9.00" ] || fail "installed program says '$version'"
[ ! -e "$work/home" ] || fail "--version created the home folder"

echo "== help pages: one part per help context number"
help=$prefix/share/doc/lockvex/help
numbers=$(grep -oE 'constexpr int [A-Za-z]+ = [0-9]+' "$source/src/app/MgrLockvexHelp.h" | grep -oE '[0-9]+$')
[ "$(echo "$numbers" | wc -w)" -ge 21 ] || fail "did not find the help context numbers"
for n in $numbers; do
    page=$(grep -oE "\b$n: \"[a-z-]+\.html\"" "$help/lockvex_help/index.html" | grep -oE '[a-z-]+\.html' || true)
    if [ -z "$page" ]; then
        fail "the help address page sends $n nowhere"
    elif ! grep -q "id=\"c$n\"" "$help/$page"; then
        fail "$page has no part c$n"
    fi
    grep -q "href=\"../$page#c$n\"" "$help/lockvex_help/index.html" || fail "no link to $page#c$n for browsers without scripts"
done
for page in "$help"/*.html "$help"/lockvex_help/*.html; do
    for link in $(grep -oE 'href="[^"#:]+\.(html|css)' "$page" | sed 's/^href="//'); do
        [ -f "$(dirname "$page")/$link" ] || fail "$(basename "$page") links to missing $link"
    done
done

echo "== Debian package"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/lockvex_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
    fail "no lockvex_*.deb made"
else
    echo "$(basename "$deb")"
    dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||' >"$work/contents"
    for f in "${expected[@]}"; do
        grep -qx "usr/$f" "$work/contents" || fail "package lacks /usr/$f"
    done
    [ "$(dpkg-deb -f "$deb" Package)" = lockvex ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Version)" = 9.00 ] || fail "package version $(dpkg-deb -f "$deb" Version)"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for dep in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
        grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "package does not depend on $dep"
    done
    dpkg-deb -x "$deb" "$work/unpacked"
    validate "$work/unpacked/usr"
    # Informational and pedantic notes are allowed; errors and warnings are not.
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian reports errors or warnings"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "desktop install check passed"
