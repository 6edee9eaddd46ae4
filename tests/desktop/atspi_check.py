#!/usr/bin/env python3
"""What a screen reader gets from the program's windows over AT-SPI.

Walks the accessible tree of every window of the application named on the command line (the
windows lockvex-windows shows) and fails on: a window without a name or shown as a filler; a
focusable control without a name; two focusable controls of one window with the same name and
role; a text box without a name; a showing control of one pixel (a control meant to be hidden);
a letter tab column that is not a tab list of 27 named tabs."""
import sys
import time

import pyatspi

TEXT_BOXES = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT}
EXPECTED_WINDOWS = int(sys.argv[2]) if len(sys.argv) > 2 else 1


def find_application(name, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name and app.childCount >= EXPECTED_WINDOWS:
                return app
        time.sleep(0.5)
    return None


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def walk(acc, out):
    for child in acc:
        if child is None or not showing(child):
            continue
        out.append(child)
        walk(child, out)


def describe(acc):
    return "%s '%s'" % (acc.getRoleName(), acc.name)


def check_window(window):
    problems = []
    title = window.name.strip()
    if not title:
        problems.append("the window has no name")
    if window.getRole() == pyatspi.ROLE_FILLER:
        problems.append("the window is shown as a filler")
    controls = []
    walk(window, controls)
    seen = set()
    for acc in controls:
        state = acc.getState()
        role = acc.getRole()
        name = acc.name.strip()
        focusable = state.contains(pyatspi.STATE_FOCUSABLE)
        if (focusable or role in TEXT_BOXES) and not name:
            problems.append("no name: " + describe(acc))
        if focusable and name:
            if (name, role) in seen:
                problems.append("two focusable controls: " + describe(acc))
            seen.add((name, role))
        try:
            extents = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            if extents.width <= 1 and extents.height <= 1 and role != pyatspi.ROLE_FILLER:
                problems.append("a one-pixel control is shown: " + describe(acc))
        except NotImplementedError:
            pass
        if role == pyatspi.ROLE_PAGE_TAB_LIST:
            tabs = [tab.name for tab in acc if tab is not None and tab.getRole() == pyatspi.ROLE_PAGE_TAB]
            if len(tabs) != 27 or "Letter B" not in tabs:
                problems.append("the letter tabs are %d tabs: %s" % (len(tabs), tabs[:5]))
    return title, problems


def main():
    app = find_application(sys.argv[1])
    if app is None:
        print("FAIL: the application '%s' with %d windows is not on the accessibility bus" % (sys.argv[1], EXPECTED_WINDOWS))
        return 1
    failed = False
    for window in app:
        if window is None:
            continue
        title, problems = check_window(window)
        print("%s '%s': %s" % (window.getRoleName(), title, "ok" if not problems else "%d problems" % len(problems)))
        for problem in problems:
            print("    " + problem)
        failed = failed or bool(problems)
    print("FAIL" if failed else "every window passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
