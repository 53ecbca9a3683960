"""A screen reader's load on the programs under benchmark: listens on the AT-SPI bus for
the events a screen reader listens for (object, window and focus events) and, for every
event, reads what it would speak (the source's role, name and states), while COMMAND runs.
Qt sends accessibility events only for those that someone listens for, so without such a
listener a benchmark would miss most of the bridge's work.

Usage (on the desktop of scripts/wayland-session.sh, with Debian's python3-pyatspi):
  /usr/bin/python3 bench/screen_reader.py COMMAND [ARG]...
The exit code is COMMAND's; the number of events heard goes to standard error.
"""

import subprocess
import sys
import threading

import pyatspi
from gi.repository import GLib

EVENTS = ("object:", "window:", "focus:")


def main():
    heard = 0

    def on_event(event):
        nonlocal heard
        heard += 1
        try:
            source = event.source
            source.getRoleName()
            source.name
            source.getState()
        except Exception:  # a source that went away meanwhile
            pass

    pyatspi.Registry.registerEventListener(on_event, *EVENTS)
    result = {}

    def run():
        result["code"] = subprocess.call(sys.argv[1:])
        GLib.idle_add(pyatspi.Registry.stop)

    threading.Thread(target=run, daemon=True).start()
    pyatspi.Registry.start()
    print(f"screen_reader.py: {heard} accessibility events heard", file=sys.stderr)
    sys.exit(result.get("code", 1))


if __name__ == "__main__":
    main()
