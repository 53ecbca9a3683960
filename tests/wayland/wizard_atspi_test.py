"""The wizard driven the way a screen reader drives it: through AT-SPI alone, on a headless
Wayland desktop (scripts/wayland-session.sh), against two simulated repeaters of the
virtual LAN (scripts/vlan.sh).

Search -> choose the repeater the search did not select -> Connect -> the "Loading...."
dialog -> the status summary -> the menu's Wireless -> the survey -> choose a network, type
its key, Connect -> the "Rebooting...." dialog -> the search page again -> Close. The bridging requests the device
received are compared byte for byte with those of `tamselctl bridge --dry-run`. Along the
way: tamsel's window is a Wayland window on weston, each dialog is a transient child of
the main window, and no accessible object reads the device's password.

Usage: wizard_atspi_test.py TAMSEL TAMSELCTL [--search-and-connect-only]
  --search-and-connect-only   drive only search, Connect and the summary, and leave out
                              the checks of what the pages expose beyond role and name
                              (dialog roles and texts, the summary's values, hidden
                              columns), for a program whose menu entries cannot be pressed
                              through AT-SPI.
The repeater's options are those of tests/wayland/CMakeLists.txt; TAMSEL_TIME_SCALE runs
the device's waits faster.
"""

import argparse
import os
import subprocess
import sys

from wayland_desktop import (DIALOG_ROLES, MAIN_WINDOW_TITLE, Program, check, children,
                             descendants, is_showing, press, role, states, table_cells,
                             text_of, toplevel_windows, wait_for, weston_windows)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))

from simnet import (auth, get_request, last_seq, repeater, request_line,  # noqa: E402
                    requests_since, same_bytes)

USER, PASSWORD = "admin", "Ant-7391"  # the simulator's login; tests/wayland/CMakeLists.txt
FIRMWARE = "3.1.4-a11y"
NETWORK, CHANNEL, SECURITY = "Home Net", "6", "aes"
KEY = "correct horse & battery"
NETWORKS = ("Home Net", "Old & Router", "Office", "Lab")
PAGES_READ = ("/qmv4t2_02_02_02_homenet.asp", "/qmv4t2_02_02_01_int.asp",
              "/qmv4t2_02_00_00_status.asp")


def dialog_while(program, what, text, full):
    """Waits for the dialog that `what` opens, checks it as a screen reader meets it and
    waits until it is gone again."""
    dialog = wait_for(f"the {what} dialog",
                      lambda: next((w for w in program.windows() if w.name != MAIN_WINDOW_TITLE),
                                   None))
    if full:
        check(role(dialog) in DIALOG_ROLES, f"the {what} dialog has role {role(dialog)!r}")
        read = [text_of(o) for o in [dialog, *descendants(dialog)]]
        check(any(text in r for r in read), f"the {what} dialog reads {read}, not {text!r}")
    wait_for(f"the end of the {what} dialog", lambda: not is_showing(dialog), timeout=90)


def caption_of(obj):
    """What a screen reader says before a value: the label it is labelled by, or its name
    or description when those are not the value itself."""
    for relation in obj.getRelationSet():
        if relation.getRelationType() == 5:  # RELATION_LABELLED_BY
            return relation.getTarget(0).name
    value = text_of(obj)
    return next((c for c in (obj.name, obj.description) if c and c != value), "")


def check_on_wayland(program):
    """tamsel's main window is an xdg_toplevel of weston's, made by the tamsel process."""
    mine = wait_for("tamsel's window on weston",
                    lambda: [v for v in weston_windows() if v.pid == program.process.pid])
    check([(v.role, v.title) for v in mine] == [("xdg_toplevel", MAIN_WINDOW_TITLE)],
          f"tamsel's windows on weston: {mine}")


def search(program):
    """Finds both repeaters and chooses, through AT-SPI, the one the search did not
    select; returns that repeater and the Connect button."""
    devices = program.one("device list")
    rows = wait_for("the search's result", lambda: table_cells(devices))
    repeaters = {r.ip: r for r in (repeater(1), repeater(2))}
    check(sorted((row.get("IP Address"), row.get("MAC Address")) for row in rows)
          == sorted((r.ip, r.mac) for r in repeaters.values()),
          f"the device list reads {rows}")
    table = devices.queryTable()
    connect = program.one("connect")
    check([table.isRowSelected(i) for i in range(len(rows))] == [True, False] and
          "enabled" in states(connect), "the search's first repeater is not selected")
    check(table.addRowSelection(1), "the device list refused the selection")
    wait_for("the choice", lambda: not table.isRowSelected(0) and table.isRowSelected(1))
    check("enabled" in states(connect), "Connect off after the choice")
    return repeaters[rows[1]["IP Address"]], connect


def connect(program, r, connect_button, full):
    seq = last_seq(r.log)
    press(connect_button)
    dialog_while(program, "Loading", "Loading....", full)
    wait_for("the search page gone", lambda: program.gone("device list"))
    credentials = auth(USER, PASSWORD)
    expected = [get_request(page, r.ip, credentials) for page in PAGES_READ]
    sent = requests_since(r.log, seq)
    check(sent == expected, f"Connect sent {[request_line(p) for p in sent]}")
    if full:
        shown = [o for o in descendants(program.main_window()) if FIRMWARE in text_of(o)]
        check(shown, f"no object of the summary reads the firmware version {FIRMWARE}")
        captions = [caption_of(o) for o in shown]
        check(any(captions), f"the firmware version reads without its caption ({captions})")


def password_unexposed(program):
    everything = [o for w in children(program.app)
                  for o in [w, *descendants(w, showing_only=False)]]
    exposed = [(role(o), o.name) for o in everything if PASSWORD in text_of(o)]
    check(not exposed, f"the device's password reaches AT-SPI through {exposed}")


def wireless(program, r):
    seq = last_seq(r.log)
    press(program.one("menu wireless"))
    survey = program.one("survey list")
    rows = wait_for("the survey's networks", lambda: table_cells(survey))
    check(sorted(row.get("SSID") for row in rows) == sorted(NETWORKS), f"the survey reads {rows}")
    sent = [request_line(p) for p in requests_since(r.log, seq)]
    check(sent == ["GET /wlsurvey2.asp HTTP/1.1"], f"the wireless page sent {sent}")
    chosen = next(i for i, row in enumerate(rows) if row.get("SSID") == NETWORK)
    check(survey.queryTable().addRowSelection(chosen), "the survey list refused the selection")
    key = program.one("key field")
    check(key.queryEditableText().setTextContents(KEY), "the key field refused the key")
    if role(key) != "password text":
        check(text_of(key).endswith(KEY), f"the key field reads {text_of(key)!r}")


def bridge(program, r, tamselctl):
    seq = last_seq(r.log)
    press(program.one("wireless connect"))
    dialog_while(program, "Rebooting", "Rebooting....", full=True)
    program.one("device list", timeout=60)
    dry = subprocess.run([tamselctl, "bridge", r.ip, "--ssid", NETWORK, "--key", KEY,
                          "--security", SECURITY, "--channel", CHANNEL, "--user", USER,
                          "--password", PASSWORD, "--dry-run"], capture_output=True, timeout=60)
    check(dry.returncode == 0, f"tamselctl --dry-run: {dry.stderr!r}")
    same_bytes(b"".join(requests_since(r.log, seq)), dry.stdout,
               "bridging requests against tamselctl's dry run")


def close(program):
    press(program.one("close"), ends_program=True)
    wait_for("tamsel's end after Close", lambda: program.process.poll() is not None, timeout=30)
    check(program.process.returncode == 0, f"tamsel ended with {program.process.returncode}")


def dialogs_are_transient(protocol_log, dialogs):
    made = toplevel_windows(protocol_log)
    check(len(made) == 1 + dialogs and made[0][1] is None,
          f"tamsel made the top-level windows {made}, expected its window and {dialogs} dialogs")
    main = made[0][0]
    check(all(parent == main for _, parent in made[1:]),
          f"dialogs not transient children of the main window: {made}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tamsel")
    parser.add_argument("tamselctl")
    parser.add_argument("--search-and-connect-only", action="store_true")
    args = parser.parse_args()
    full = not args.search_and_connect_only

    protocol_log = os.path.join(os.environ["XDG_RUNTIME_DIR"], "tamsel-wayland.log")
    program = Program(args.tamsel, protocol_log=protocol_log)
    chosen = {}

    def step(name, run):
        run()
        print(f"{name}: ok", flush=True)

    try:
        step("tamsel's window on weston", lambda: check_on_wayland(program))
        step("search and choice", lambda: chosen.update(zip(("r", "connect"), search(program))))
        step("Connect, Loading...., summary",
             lambda: connect(program, chosen["r"], chosen["connect"], full))
        if full:
            step("no password on AT-SPI", lambda: password_unexposed(program))
            step("Wireless and survey", lambda: wireless(program, chosen["r"]))
            step("bridging and restart", lambda: bridge(program, chosen["r"], args.tamselctl))
            step("Close", lambda: close(program))
    finally:
        program.terminate()
    step("dialogs as transient children",
         lambda: dialogs_are_transient(protocol_log, 2 if full else 1))

if __name__ == "__main__":
    main()
