#!/usr/bin/python3
"""Reads the real window over AT-SPI, as a screen reader does, and checks
that every settings control is named by its label: a text field or a button
by its accessible name, a chooser (named after its entry on this platform,
by the toolkit's design) through its labelled-by relation.

Usage: accessible_tree.py VALTYP_PROGRAM; runs inside a D-Bus session with
an X server on $DISPLAY."""

import os
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

CONTROL_ROLES = {
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
}
# The tabs whose controls are settings, by their titles.
SETTINGS_TABS = ["Input", "Processing", "Output", "Settings"]


def find_application(name, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def words(label):
    return label.strip().removesuffix(":").strip()


def related(node, relation_type):
    for relation in node.getRelationSet():
        if relation.getRelationType() == relation_type:
            for i in range(relation.getNTargets()):
                yield relation.getTarget(i)


def check_page(page, failures):
    """Every control of one tab page; returns how many were checked."""
    checked = 0
    for node in walk(page):
        role = node.getRole()
        if role not in CONTROL_ROLES:
            continue
        parent = node.parent
        if role == pyatspi.ROLE_TEXT and parent is not None and \
                parent.getRole() == pyatspi.ROLE_COMBO_BOX:
            continue  # the typing part of an editable chooser
        labels = [words(l.name) for l in related(node, pyatspi.RELATION_LABELLED_BY)
                  if l.getRole() == pyatspi.ROLE_LABEL]
        checked += 1
        what = f"{pyatspi.Accessible.getRoleName(node)} {node.name!r}"
        if role in (pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT):
            if len(labels) != 1:
                failures.append(f"{what}: labelled by {labels}, not by one label")
                continue
            if role == pyatspi.ROLE_TEXT and node.name != labels[0]:
                failures.append(f"{what}: name is not its label {labels[0]!r}")
        elif not node.name:
            failures.append(f"{what}: has no name")
        elif labels and node.name != labels[0]:
            failures.append(f"{what}: name is not its label {labels[0]!r}")
    return checked


def main():
    program = sys.argv[1]
    home = tempfile.mkdtemp(prefix="valtyp-atspi-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
    window = subprocess.Popen([program, "/dev/ttyVALTYP0"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    failures = []
    try:
        app = find_application("valtyp", 30)
        if app is None:
            print("valtyp did not appear on the accessibility bus", file=sys.stderr)
            return 1
        # The tab titles in order, and the pages in the same order below
        # the tab widget's stack.
        titles = [n.name for n in walk(app) if n.getRole() == pyatspi.ROLE_PAGE_TAB]
        stacks = [n for n in walk(app) if n.getRole() == pyatspi.ROLE_LAYERED_PANE]
        if len(stacks) != 1 or stacks[0].childCount != len(titles):
            print(f"no tab pages to match the tabs {titles}", file=sys.stderr)
            return 1
        for index, title in enumerate(titles):
            if title not in SETTINGS_TABS:
                continue
            count = check_page(stacks[0].getChildAtIndex(index), failures)
            print(f"{title}: {count} controls read")
            if count == 0:
                failures.append(f"tab {title!r}: no controls found")
        missing = set(SETTINGS_TABS) - set(titles)
        if missing:
            failures.append(f"tabs missing: {sorted(missing)}")
    finally:
        window.send_signal(signal.SIGTERM)
        try:
            window.wait(10)
        except subprocess.TimeoutExpired:
            window.kill()
    for failure in failures:
        print("FAIL", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
