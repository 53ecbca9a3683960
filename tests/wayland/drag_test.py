"""The drag band on a Wayland compositor: weston on its X11 backend, with the pointer moved
and pressed through XTest (scripts/wayland-session.sh --x11-input), in a virtual LAN whose
only repeater refuses every connection (scripts/vlan.sh).

A press in the top band of the search page and a drag move the main window; a press below
the band does not. Connect then gives the "Repeater respon timeout !!" message box, a
transient child of the main window: the compositor lets a press move only the window
pressed, so a drag in the box's band moves the box and leaves the main window where it is.

Usage: drag_test.py TAMSEL
"""

import os
import sys

from wayland_desktop import (MAIN_WINDOW_TITLE, Pointer, Program, check, move_requests, press,
                             table_cells, toplevel_windows, wait_for, weston_windows)

BAND_HEIGHT = 78


def windows_of(program):
    """{title: view} of the program's windows on weston; the box has no title of its own."""
    return {("main" if v.title == MAIN_WINDOW_TITLE else "box"): v
            for v in weston_windows() if v.pid == program.process.pid}


def moved_to(program, which, left, top):
    def there():
        view = windows_of(program).get(which)
        return view is not None and (view.left, view.top) == (left, top)
    return there


def main():
    protocol_log = os.path.join(os.environ["XDG_RUNTIME_DIR"], "tamsel-wayland.log")
    program = Program(sys.argv[1], protocol_log=protocol_log)

    def drag(x, y, dx, dy, moves):
        """Drags from (x, y) by (dx, dy); `moves` tells whether the press asks the
        compositor for a move, which is awaited before the pointer moves on."""
        before = len(move_requests(protocol_log))
        pointer.press(x, y)
        if moves:
            wait_for("the move request", lambda: len(move_requests(protocol_log)) > before,
                     timeout=10)
        pointer.drag_and_release(dx, dy)
        return move_requests(protocol_log)[before:]

    try:
        main_window = wait_for("tamsel's window on weston", lambda: windows_of(program).get("main"))
        pointer = Pointer()

        # The band of the search page's background: the main window follows.
        drag(main_window.left + 300, main_window.top + 30, -100, 50, moves=True)
        left, top = main_window.left - 100, main_window.top + 50
        wait_for("the main window after a drag in the band", moved_to(program, "main", left, top),
                 timeout=10)
        print("a drag in the band moves the main window: ok", flush=True)

        # Below the band the background does not drag.
        check(drag(left + 300, top + BAND_HEIGHT + 10, 80, 40, moves=False) == [],
              "a press below the band asked for a move")
        check(moved_to(program, "main", left, top)(), "a drag below the band moved the window")
        print("a drag below the band does not: ok", flush=True)

        # The message box of a refused Connect.
        devices = program.one("device list")
        wait_for("the search's result", lambda: table_cells(devices))
        press(program.one("connect"))
        # The third window tamsel makes, after the main window and "Loading....".
        wait_for("the message box", lambda: len(toplevel_windows(protocol_log)) == 3)
        box = wait_for("the message box on weston", lambda: windows_of(program).get("box"))
        drag(box.left + 100, box.top + 20, 100, 60, moves=True)
        wait_for("the message box after a drag in its band",
                 moved_to(program, "box", box.left + 100, box.top + 60), timeout=10)
        check(moved_to(program, "main", left, top)(), "the box's band moved the main window")
        print("a drag in the message box's band moves the box: ok", flush=True)
    finally:
        program.terminate()

if __name__ == "__main__":
    main()
