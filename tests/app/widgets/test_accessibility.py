#!/usr/bin/python3
"""What a screen reader finds in the windows: starts the window program with accessibility on, on
the display scripts/with-window-manager.sh made, and walks the main window, the profile window and
the send windows over AT-SPI. Every control that takes the focus must have a name and a role that
says what it does. Exits 77 (skipped) where the accessibility bus cannot be had.

    test_accessibility.py SORVIK_EXECUTABLE
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOOLBAR = ["Login As", "View Data", "Profile", "Help", "Send", "Exit"]


def skip(why):
    print("skipped: " + why)
    sys.exit(SKIP)


# A bus of its own, so that no desktop session of the machine is touched.
if os.environ.get("SORVIK_A11Y_BUS") != "own":
    if not shutil.which("dbus-run-session"):
        skip("dbus-run-session is not installed (package dbus)")
    os.environ["SORVIK_A11Y_BUS"] = "own"
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)

try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    skip("pyatspi is not installed for %s (package python3-pyatspi)" % sys.executable)

# The accessibility bus is started on demand through the session bus (package at-spi2-core).
try:
    bus = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                          "org.a11y.Bus.GetAddress"], capture_output=True, timeout=30)
except (OSError, subprocess.TimeoutExpired) as failure:
    skip("the accessibility bus cannot be asked for: %s" % failure)
if bus.returncode != 0:
    skip("the accessibility bus cannot start: " + bus.stderr.decode(errors="replace").strip())

exe = os.path.abspath(sys.argv[1])
sandbox = tempfile.mkdtemp(prefix="sorvik-a11y-")
env = dict(os.environ)
for name in ("HOME", "XDG_CONFIG_HOME", "SORVIK_DRIVE_C", "SORVIK_DRIVE_A"):
    env[name] = os.path.join(sandbox, name.lower())
    os.makedirs(env[name])
# SORVIK_TEST_PLATFORM=wayland runs the same walk under a Wayland compositor.
env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", LC_ALL="C.UTF-8",
           QT_QPA_PLATFORM=os.environ.get("SORVIK_TEST_PLATFORM", "xcb"))
for name in ("SORVIK_NETWORK",) + (("WAYLAND_DISPLAY",) if env["QT_QPA_PLATFORM"] == "xcb" else ()):
    env.pop(name, None)
# What a screen reader announces: the object that last said it took the keyboard.
focused = []
pyatspi.Registry.registerEventListener(lambda e: e.detail1 and focused.append(e.source),
                                       "object:state-changed:focused")
# A saved profile whose Country is in the list, so that leaving a cell brings up no warning.
subprocess.run([exe, "profile", "--from", "-"], env=env, check=True, stdout=subprocess.DEVNULL,
               input=b"First=Ada\nLast=Lovelace\nAddress1=1 Main St\nCity=Springfield\nState=IL\nZipCode=62701\n"
                     b"Country=Canada\nPhone=555-0100\nCompany=Acme Tools\nSendTo=data@example.org\n")
program = subprocess.Popen([exe], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
failures = []


def wait_for(find, what, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if program.poll() is not None:
            break
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            found = find()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.2)
    print("not found: " + what)
    finish(1)


def finish(code):
    if program.poll() is None:
        program.terminate()
    try:
        _, err = program.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        program.kill()
        _, err = program.communicate()
    shutil.rmtree(sandbox, ignore_errors=True)
    if err.strip():
        print("standard error of the program:\n" + err.decode(errors="replace"))
    sys.exit(code)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == program.pid:
            return app
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def window(title):
    app = application()
    if app is None:
        return None
    for top in app:
        if top is not None and top.name.startswith(title) and showing(top):
            return top
    return None


def nodes(node):
    yield node
    # The rows of a list or table are its data, named by what they hold.
    if node.getRoleName() in ("list", "table", "tree", "tree table", "list box"):
        return
    for child in node:
        if child is not None:
            yield from nodes(child)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


# What a control that takes the focus may be: a control role, never a container or plain text.
CONTAINERS = {"frame", "panel", "filler", "unknown", "label", "redundant object", "window", "section", "invalid"}
PRESSABLE = {"push button", "link", "check box", "radio button", "toggle button", "combo box", "menu item",
             "page tab", "spin button"}


def check(top):
    print("%s: %s" % (top.getRoleName(), top.name))
    for node in nodes(top):
        if node is top or not node.getState().contains(pyatspi.STATE_FOCUSABLE) or not showing(node):
            continue
        role = node.getRoleName()
        where = "%s %r in %r" % (role, node.name, top.name)
        print("  " + where)
        if not node.name.strip():
            failures.append("no name: " + where)
        if role in CONTAINERS:
            failures.append("a focusable control with the role of a container or a text: " + where)
        if "Press" in actions(node) and role not in PRESSABLE:
            failures.append("pressed, but not announced as a button or a link: " + where)


def press(top, name, role="push button"):
    for node in nodes(top):
        if node.name == name and node.getRoleName() == role and showing(node):
            action = node.queryAction()
            for i in range(action.nActions):
                if action.getName(i) == "Press":
                    action.doAction(i)
                    return
    failures.append("no %s %r to press in %r" % (role, name, top.name))
    finish(1)


main = wait_for(lambda: window("Orvane Year2000 Sorvik v"), "the main window")
app = application()
# Only windows hang under the application, no leftover of the splash.
for top in app:
    if top is not None and top.getRoleName() not in ("frame", "dialog", "window", "alert"):
        failures.append("under the application: %s %r" % (top.getRoleName(), top.name))
check(main)
for name in TOOLBAR:
    if not any(n.name == name and n.getRoleName() == "push button" for n in nodes(main)):
        failures.append("the toolbar's %r is not a push button" % name)
output = [n for n in nodes(main) if n.name == "Output Directory" and n.getRoleName() == "text"]
if not output:
    failures.append("no text box named 'Output Directory'")

def focus_is(role, name):
    node = focused[-1] if focused else None
    return node if node and node.getRoleName() == role and node.name == name else None


def key(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)


press(main, "Profile")
profile = wait_for(lambda: window("Profile"), "the profile window")
check(profile)
# The keyboard sits in a cell editor, then in the country selector over the Country cell, 8 rows on.
editor = wait_for(lambda: focus_is("text", "First Name"), "the First Name editor announced as focused")
if not editor.getState().contains(pyatspi.STATE_EDITABLE):
    failures.append("the First Name editor is not announced as editable")
for _ in range(8):
    key(0xFF09)  # Tab
selector = wait_for(lambda: focus_is("combo box", "Country"), "the country selector announced as focused")
if not any(n.getRoleName() == "list" and any(i.name == "United States" for i in n) for n in selector):
    failures.append("the country selector's list does not hold United States")
press(profile, "Cancel")

press(main, "Send")
send = wait_for(lambda: window("Send Year2000 Files to Orvane"), "the send window")
check(send)
for button, title in (("FTP", "Sorvik FTP"), ("EMAIL", "Sorvik Email"), ("DISK", "Sorvik Disk")):
    press(send, button)
    channel = wait_for(lambda: window(title), "the window " + title)
    check(channel)
    press(channel, "Return")
    wait_for(lambda: window(title) is None, "the window %s closed" % title)

for failure in failures:
    print("FAILED: " + failure)
finish(1 if failures else 0)
