#!/usr/bin/python3
""""Set up from the instrument" read over AT-SPI, as a screen reader does: the
dialog's controls are named, and Cancel while it listens ends the listening
and leaves the port closed. The time from Cancel to the button turning into
"Close", seen from outside, is printed as a figure.

Usage: identify_dialog.py VALTYP_PROGRAM VALTYP_CLI; runs inside a D-Bus
session with an X server on $DISPLAY."""

import os
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_LIST,
}
EXPECTED = {"Use this instrument", "Write an expression", "Cancel", "Received",
            "Received in hexadecimal", "Instruments that read it, best first"}


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def wait_for(what, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        time.sleep(0.005)
    return None


def find_application(name):
    def look():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        return None
    return wait_for(look, 30)


def holds(pid, path):
    """True while the process has the device open."""
    fd_dir = f"/proc/{pid}/fd"
    for fd in os.listdir(fd_dir):
        try:
            if os.readlink(os.path.join(fd_dir, fd)) == path:
                return True
        except OSError:
            pass
    return False


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def main():
    program, cli = sys.argv[1], sys.argv[2]
    home = tempfile.mkdtemp(prefix="valtyp-identify-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
    # An instrument that stays silent: it answers no request the dialog sends.
    simulator = subprocess.Popen([cli, "simulate", "--instrument", "KERN_MPS",
                                  "--respond-to", "never"], env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    port = simulator.stdout.readline().strip()
    if not port:
        print("the simulator did not start", file=sys.stderr)
        return 1
    window = subprocess.Popen([program, port], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    failures = []
    try:
        app = find_application("valtyp")
        if app is None:
            print("valtyp did not appear on the accessibility bus", file=sys.stderr)
            return 1
        button = wait_for(lambda: next((n for n in walk(app)
                                        if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                                        and n.name == "Set up from the instrument"), None), 10)
        if button is None:
            print("no button \"Set up from the instrument\"", file=sys.stderr)
            return 1
        press(button)

        def dialog():
            for n in app:
                if n is not None and n.name == "Set up from the instrument":
                    return n
            return None
        box = wait_for(dialog, 10)
        if box is None:
            print("the dialog did not open", file=sys.stderr)
            return 1
        names = set()
        for node in walk(box):
            if node.getRole() not in CONTROL_ROLES:
                continue
            role = pyatspi.Accessible.getRoleName(node)
            if not node.name:
                failures.append(f"{role} in the dialog has no name")
            names.add(node.name)
        missing = EXPECTED - names
        if missing:
            failures.append(f"controls not found by name: {sorted(missing)}")
        print(f"dialog controls: {sorted(names)}")

        if not wait_for(lambda: holds(window.pid, port), 10):
            links = [os.readlink(f"/proc/{window.pid}/fd/{fd}")
                     for fd in os.listdir(f"/proc/{window.pid}/fd")]
            failures.append(f"the dialog did not open the port {port}: {links}")
        cancel = next((n for n in walk(box) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                       and n.name == "Cancel"), None)
        if cancel is None:
            failures.append("no Cancel button")
        else:
            start = time.monotonic()
            press(cancel)
            ended = wait_for(lambda: cancel.name == "Close", 5)
            elapsed = (time.monotonic() - start) * 1000
            print(f"[ figure ] Cancel to \"Close\" over AT-SPI: {elapsed:.0f} ms")
            if not ended:
                failures.append("Cancel did not end the listening within 5 s")
            if holds(window.pid, port):
                failures.append("the port is still open after Cancel")
    finally:
        window.send_signal(signal.SIGTERM)
        simulator.send_signal(signal.SIGTERM)
        for p in (window, simulator):
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
    for failure in failures:
        print("FAIL", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
