"""A second start of tamsel on a Wayland desktop (scripts/wayland-session.sh), inside a
virtual LAN (scripts/vlan.sh), with the first copy's window on weston.

The second start hands the running copy its activation token (XDG_ACTIVATION_TOKEN) and
waits for it to bring its window forward:
  --shown    weston with a seat (its X11 backend) has made the first copy's window the
             active one: the second start ends at once, with exit status 0, saying nothing
             and showing no window of its own;
  --refused  weston's headless backend has no seat and activates no window, and weston
             gives no other way to bring one forward: the second start says that Tamsel is
             already running, on standard error and in a message box of its own, an alert
             that a screen reader reads and whose OK ends it with exit status 0.
The first copy runs on, its window where it was.

Usage: second_start_test.py TAMSEL --shown|--refused
"""

import os
import subprocess
import sys

from wayland_desktop import (DIALOG_ROLES, MAIN_WINDOW_TITLE, Program, check, children,
                             descendants, is_showing, press, role, states, text_of, wait_for,
                             weston_windows)

ALREADY_RUNNING = "Tamsel is already running."


def windows_of(pid):
    return [v for v in weston_windows() if v.pid == pid]


def main():
    tamsel, expected = sys.argv[1], sys.argv[2]
    check(expected in ("--shown", "--refused"), f"unknown case {expected}")
    first = Program(tamsel)
    second = None
    try:
        main_window = wait_for("the first copy's window", first.main_window)
        wait_for("the first copy's window on weston", lambda: windows_of(first.process.pid))
        if expected == "--shown":
            wait_for("the first copy's window active", lambda: "active" in states(main_window))

        second = subprocess.Popen([tamsel], env=dict(os.environ, XDG_ACTIVATION_TOKEN="tamsel-test"),
                                  stderr=subprocess.PIPE, text=True)
        if expected == "--shown":
            err = second.communicate(timeout=30)[1]
            check(second.returncode == 0, f"the second start ended with {second.returncode}")
            check(err == "", f"the second start said: {err!r}")
            check(all(v.pid == first.process.pid for v in weston_windows()),
                  "the second start showed a window")
            print("a second start brings the active window forward and ends quietly: ok",
                  flush=True)
        else:
            box = Program.attach(second)
            alert = wait_for("the second start's message box",
                             lambda: next((w for w in box.windows()
                                           if role(w) in DIALOG_ROLES), None))
            check(role(alert) == "alert", f"the message box is a {role(alert)}")
            texts = [text_of(o) for o in descendants(alert)]
            check(any(ALREADY_RUNNING in t for t in texts), f"the message box reads {texts}")
            check(windows_of(second.pid), "the message box is no window on weston")
            ok = wait_for("its OK button", lambda: next(
                (o for o in descendants(alert) if role(o) == "push button" and o.name == "OK"),
                None))
            press(ok, ends_program=True)
            err = second.communicate(timeout=30)[1]
            check(second.returncode == 0, f"the second start ended with {second.returncode}")
            check(err.startswith(f"tamsel: {ALREADY_RUNNING}"), f"its standard error: {err!r}")
            print("a refused second start says that Tamsel is already running: ok", flush=True)

        check(first.process.poll() is None, "the first copy ended")
        check(any(w.name == MAIN_WINDOW_TITLE and is_showing(w) for w in children(first.app)),
              "the first copy's window is gone")
    finally:
        if second is not None and second.poll() is None:
            second.kill()
            second.wait()
        first.terminate()
    print("second start: ok")


if __name__ == "__main__":
    main()
