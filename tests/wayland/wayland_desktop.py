"""tamsel on the desktop of scripts/wayland-session.sh, seen the way a screen reader sees it
(its accessible objects on the AT-SPI bus, found by role and name) and the way the
compositor sees it (weston's scene graph, the client's Wayland requests).

pyatspi is Debian's python3-pyatspi, for the system's own interpreter.
"""

import os
import re
import signal
import subprocess
import sys
import time
from dataclasses import dataclass

import pyatspi
from gi.repository import GLib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))

from simnet import check, fail  # noqa: E402

# The roles a menu entry may have: a screen reader offers each of them as something to
# press. The roles and names the tests look for are all in CONTROLS, so that a change of
# the program's roles or names is one edit here.
MENU_ROLES = ("push button", "page tab", "menu item", "toggle button", "link")
# The roles of the progress dialog and the message box.
DIALOG_ROLES = ("dialog", "alert", "notification", "file chooser")
# Action names that press a control.
PRESS_ACTIONS = ("Press", "press", "Click", "click", "Activate", "activate", "Jump", "jump")


@dataclass(frozen=True)
class Control:
    roles: tuple       # role names, as pyatspi spells them
    names: tuple = ()  # accessible names from the string table; empty: any name


CONTROLS = {
    # The search page.
    "device list": Control(("table",)),
    "scan": Control(("push button",), ("Scan",)),
    "connect": Control(("push button",), ("Connect",)),
    # The wizard's menu, on every page.
    "menu repeater": Control(MENU_ROLES, ("Repeater",)),
    "menu wireless": Control(MENU_ROLES, ("Wireless",)),
    "close": Control(MENU_ROLES, ("Close",)),
    # The wireless page.
    "survey list": Control(("table",), ("Networks in range",)),
    "key field": Control(("text", "password text", "entry"), ("Network key",)),
    "wireless connect": Control(("push button",), ("Connect",)),
}

MAIN_WINDOW_TITLE = "QMV4T2 Support Utility"


def wait_for(what, condition, timeout=30.0, interval=0.05):
    """Calls `condition` until it returns something true (and returns that), or fails the
    test naming `what` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            fail(f"{what}: not within {timeout} s")
        time.sleep(interval)


# --- accessible objects -------------------------------------------------------------------

def role(obj):
    return obj.getRoleName()


def states(obj):
    return {pyatspi.stateToString(s) for s in obj.getState().getStates()}


def is_showing(obj):
    return "showing" in states(obj)


def children(obj):
    return [c for c in (obj.getChildAtIndex(i) for i in range(obj.childCount)) if c is not None]


def text_of(obj):
    """What a screen reader reads for `obj`: its name, and its text where it has one."""
    parts = [obj.name or ""]
    try:
        text = obj.queryText()
        parts.append(text.getText(0, text.characterCount))
    except NotImplementedError:
        pass
    return " ".join(p for p in parts if p)


def descendants(obj, showing_only=True):
    """`obj`'s accessible descendants, depth first; hidden subtrees are left out when
    `showing_only` (the pages that are not shown)."""
    found = []
    stack = children(obj)[::-1]
    while stack:
        item = stack.pop()
        if showing_only and not is_showing(item):
            continue
        found.append(item)
        stack.extend(children(item)[::-1])
    return found


def matches(obj, control):
    return role(obj) in control.roles and (not control.names or obj.name in control.names)


def action_names(obj):
    try:
        action = obj.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(obj, ends_program=False):
    """Runs the control's press action, as a screen reader's "activate" does. A press
    that `ends_program` may end it before it answers."""
    names = action_names(obj)
    what = f"{role(obj)} {obj.name!r}"
    for i, name in enumerate(names):
        if name in PRESS_ACTIONS:
            try:
                done = obj.queryAction().doAction(i)
            except GLib.GError:
                done = ends_program
            check(done or ends_program, f"{what}: {name} refused")
            return
    fail(f"{what} has no press action (actions {names})")


def table_cells(table):
    """The table's rows as {column name: cell text}, read cell by cell."""
    t = table.queryTable()
    columns = [t.getColumnDescription(c) for c in range(t.nColumns)]
    rows = []
    for r in range(t.nRows):
        rows.append({columns[c]: text_of(t.getAccessibleAt(r, c)) for c in range(t.nColumns)})
    return rows


class Program:
    """tamsel, started on the session's Wayland display with its Wayland requests logged,
    and found on the AT-SPI bus by its process id."""

    def __init__(self, path, env=None, protocol_log=None, process=None):
        self.protocol_log = protocol_log
        if process is None:
            environment = dict(os.environ, **(env or {}))
            stderr = None
            if protocol_log:
                environment["WAYLAND_DEBUG"] = "client"
                stderr = open(protocol_log, "w")
            process = subprocess.Popen([path], env=environment, stderr=stderr)
        self.process = process
        pyatspi.setTimeout(5000, 15000)
        self.app = wait_for("tamsel on the AT-SPI bus", self._find_app)
        # Every read goes to the program itself, never to a copy that events keep.
        self.app.set_cache_mask(pyatspi.cache.NONE)

    @classmethod
    def attach(cls, process):
        """A tamsel process started by the caller, found on the AT-SPI bus."""
        return cls(None, process=process)

    def _find_app(self):
        if self.process.poll() is not None:
            fail(f"tamsel ended with {self.process.returncode} before it reached the AT-SPI bus")
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == self.process.pid:
                    return app
            except Exception:  # an application that went away meanwhile
                continue
        return None

    def windows(self):
        """The program's top-level windows that are on the screen."""
        return [w for w in children(self.app) if is_showing(w)]

    def main_window(self):
        return next((w for w in children(self.app) if w.name == MAIN_WINDOW_TITLE), None)

    def find(self, key, within=None):
        """The showing controls that CONTROLS[key] describes."""
        control = CONTROLS[key]
        return [o for o in descendants(within or self.main_window()) if matches(o, control)]

    def one(self, key, within=None, timeout=30.0):
        """The one showing control CONTROLS[key] describes, waiting for it to appear."""
        found = wait_for(f"a showing {key}", lambda: self.find(key, within), timeout)
        check(len(found) == 1, f"{len(found)} showing controls match {key}: "
                               f"{[(role(o), o.name) for o in found]}")
        return found[0]

    def gone(self, key):
        return not self.find(key)

    def terminate(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# --- the compositor's view ----------------------------------------------------------------

@dataclass
class View:
    role: str
    pid: int
    title: str
    left: int
    top: int
    right: int
    bottom: int


VIEW = re.compile(r"View \d+ \(role (\S+), PID (\d+), surface ID \d+, top-level window '(.*)'"
                  r" of [^\n]*\n\s+position: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\)")


def weston_windows():
    """The top-level windows weston shows, topmost first (its scene graph)."""
    out = subprocess.run(["weston-debug", "scene-graph"], capture_output=True, text=True,
                         timeout=10)
    check(out.returncode == 0, f"weston-debug scene-graph failed: {out.stderr}")
    return [View(m[0], int(m[1]), m[2], *map(int, m[3:])) for m in VIEW.findall(out.stdout)]


TOPLEVEL = re.compile(r"-> xdg_surface@\d+\.get_toplevel\(new id xdg_toplevel@(\d+)\)")
PARENT = re.compile(r"-> xdg_toplevel@(\d+)\.set_parent\(xdg_toplevel@(\d+)\)")
MOVE = re.compile(r"-> xdg_toplevel@(\d+)\.move\(")


def move_requests(protocol_log):
    """The xdg_toplevel ids whose move the client asked the compositor for, in order."""
    with open(protocol_log, errors="replace") as f:
        return [int(m) for m in MOVE.findall(f.read())]


def toplevel_windows(protocol_log):
    """From a client's WAYLAND_DEBUG log: the top-level windows it made, in order, each as
    [its xdg_toplevel id, the id of the window it is a transient child of, or None]."""
    made = []
    with open(protocol_log, errors="replace") as f:
        for line in f:
            if match := TOPLEVEL.search(line):
                made.append([int(match[1]), None])
            elif (match := PARENT.search(line)) and made and made[-1][0] == int(match[1]):
                made[-1][1] = int(match[2])
    return made


class Pointer:
    """weston's pointer on its X11 backend (wayland-session.sh --x11-input), moved and
    pressed through XTest with xdotool, in output coordinates."""

    def __init__(self):
        self.env = dict(os.environ, DISPLAY=os.environ["WAYLAND_SESSION_X11_DISPLAY"])
        # weston takes pointer input once the pointer has entered its window: from the
        # X screen's margin beyond the output.
        width, height = self._xdotool("getdisplaygeometry").split()
        self._xdotool("mousemove", str(int(width) - 16), str(int(height) - 16))
        time.sleep(0.2)

    def _xdotool(self, *args):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              timeout=10)
        check(done.returncode == 0, f"xdotool {' '.join(args)}: {done.stderr}")
        return done.stdout

    def press(self, x, y):
        """Moves the pointer to (x, y) and presses the left button there."""
        self._xdotool("mousemove", str(x), str(y))
        time.sleep(0.1)
        self._xdotool("mousedown", "1")
        self.at = (x, y)

    def drag_and_release(self, dx, dy, steps=10):
        """Moves the pressed pointer by (dx, dy) in `steps` steps and lets go."""
        x, y = self.at
        for i in range(1, steps + 1):
            self._xdotool("mousemove", str(x + dx * i // steps), str(y + dy * i // steps))
            time.sleep(0.03)
        self._xdotool("mouseup", "1")
