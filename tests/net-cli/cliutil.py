"""Helpers for tamselctl's network tests, which run inside scripts/vlan.sh's PC namespace.

The simulator's own test helpers (tests/net/simnet.py) read its log and talk to it
directly; these run tamselctl and read what it reports. Standard library only.
"""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))

from simnet import (check, event, fail, last_seq, read_log, repeater,  # noqa: E402,F401
                    request_line, requests_since, same_bytes, wait_for_frame)

TAMSELCTL = sys.argv[1] if len(sys.argv) > 1 else "tamselctl"

# Exit codes, as tamselctl --help documents them.
EXIT_OK, EXIT_USAGE, EXIT_NETWORK, EXIT_CREDENTIALS, EXIT_REFUSED = 0, 2, 3, 4, 5
EXIT_FIREWALL = 6

TIMEOUT_TEXT = "Repeater respon timeout !!"
LOGIN_TEXT = "Login Username/Password Incorrect!"


class Run:
    def __init__(self, args, completed):
        self.args = args
        self.code = completed.returncode
        self.out = completed.stdout
        self.err = completed.stderr.decode("utf-8", errors="replace")

    @property
    def text(self):
        return self.out.decode("utf-8")

    def expect(self, code, why=""):
        check(self.code == code,
              f"tamselctl {' '.join(self.args)}: exit {self.code}, expected {code} {why}\n"
              f"stdout: {self.out[:2000]!r}\nstderr: {self.err}")
        return self

    def completions(self):
        """{command: [(code, characters)]} from the --verbose lines."""
        found = {}
        for name, code, chars in re.findall(
                r"tamselctl: (\w+) ended with code (\d) \([^)]*\), (\d+) characters", self.err):
            found.setdefault(name, []).append((int(code), int(chars)))
        return found


def tamselctl(*args, stdin=b"", timeout=300, env=None, prefix=()):
    """Runs tamselctl with `args`; `prefix` runs it through another command (setpriv)."""
    completed = subprocess.run([*prefix, TAMSELCTL, *args], input=stdin, capture_output=True,
                               timeout=timeout, env=env)
    return Run(list(args), completed)


def wait_until_up(r, after_seq, ip=None):
    """Waits for the simulator's restart after `after_seq` to finish."""
    frame = wait_for_frame(r.log, event("up"), timeout=60, after_seq=after_seq)
    if ip is not None:
        check(frame.attrs.get("ip") == ip, f"came up as {frame.attrs}")
    return frame


def temporary_addresses():
    """The PC's addresses that carry the temporary address label, as `ip -o` lines."""
    out = subprocess.run(["ip", "-o", "-4", "addr", "show"], capture_output=True,
                         text=True).stdout
    return [line for line in out.splitlines() if ":tmsl" in line]


NETADMIN_LIB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net-netadmin",
                            "temp-address-lib.sh")


def install_helper(built, work):
    """A copy of the network helper `built` in `work` with the packaged rights (mode 0750,
    a group of its own, file capabilities): (helper, a member's user id, the group id).
    Users and group are bare numbers; the machine's accounts stay as they are."""
    out = subprocess.run(["bash", "-c", f'source "{NETADMIN_LIB}"; install_member_helper "$1" '
                          '"$2"; echo "$HELPER $MEMBER $HELPER_GROUP"', "-", built, work],
                         capture_output=True, text=True, check=True).stdout.split()
    return out[0], int(out[1]), int(out[2])


def as_user(uid, groups):
    """A command prefix (for tamselctl's `prefix`) that runs as user `uid`, in `groups`
    only, without capabilities of its own (root's go with the change of user; none are
    inherited). The bounding set stays, so that the helper gets its file capabilities."""
    group_option = f"--groups={','.join(map(str, groups))}" if groups else "--clear-groups"
    return ["setpriv", f"--reuid={uid}", f"--regid={uid}", group_option, "--inh-caps=-all",
            "--"]


def retry_until(seconds, action):
    """Calls `action` until it returns something true or `seconds` have passed."""
    deadline = time.monotonic() + seconds
    while True:
        result = action()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(0.5)


class ScriptInNamespace:
    """A Python script of the test (its source, with its arguments) run inside network
    namespace `ns`, one that scripts/vlan.sh made, for as long as the `with` block lasts.
    The script prints "ready" once it is set up; the constructor waits for that, and
    `what` names the script when it never comes."""

    def __init__(self, ns, script, *args, what="the script"):
        self.process = subprocess.Popen(["ip", "netns", "exec", ns, sys.executable, "-c",
                                         script, *args], stdout=subprocess.PIPE, text=True)
        if self.process.stdout.readline().strip() != "ready":
            self.stop()
            fail(f"{what} did not start")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()

    def stop(self):
        self.process.kill()
        self.process.wait()


WEB_SERVER_LOOP = r"""
import socket, threading

s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 80))
s.listen(8)
print("ready", flush=True)
while True:
    c, _ = s.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
"""


def web_server(serve):
    """The script of a web server of the test on port 80, to run in a repeater's namespace
    (ScriptInNamespace) in place of the simulator: `serve` is the source of a function
    serve(c), which gets every connection in a thread of its own."""
    return serve + WEB_SERVER_LOOP
