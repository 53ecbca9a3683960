"""Helpers for the hostile-device tests, which run inside scripts/vlan.sh's PC namespace.

A hostile device must not crash, freeze or fool tamselctl. Every run here is one
tamselctl child, measured: exit status, real time, and peak resident memory (the
child's own rusage from wait4, plus VmHWM polled while it runs, which also lets a
runaway be stopped before it hurts the machine). After each run no temporary `:tmsl`
address may be left in the PC namespace.

The checks of one test are collected, so that a run reports every case that fails,
with the measured figures of all of them. Standard library only.
"""

import json
import os
import re
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "net-cli"))
sys.path.insert(0, os.path.join(HERE, "..", "net"))

from cliutil import (EXIT_CREDENTIALS, EXIT_NETWORK, EXIT_OK, EXIT_REFUSED,  # noqa: E402,F401
                     EXIT_USAGE, TAMSELCTL, repeater)

# Device time runs this many times faster than real time in tamselctl (the 18 s response
# limit takes 0.9 s), except in the tests labelled long.
TIME_SCALE = 20
# The bound on tamselctl's peak memory under any hostile answer.
MEMORY_BOUND_KIB = 64 * 1024
# A run that grows beyond this is stopped: the bound is already broken, and the machine
# is shared.
MEMORY_CAP_KIB = 768 * 1024
# Only a guard against a hang, never a timing check.
HANG_GUARD_SECONDS = 120

# A response is bounded at about 4 MiB; what a command keeps may not pass this.
RESPONSE_BOUND_CHARS = 5 << 20
# Exit statuses that tamselctl documents (128 + N only for a signal that we send).
DOCUMENTED_EXITS = {0, 1, 2, 3, 4, 5}



def raw_control(data):
    """(position, character) of the first character in `data` that a terminal would act
    on: a C0 control other than the line feed, DEL, a C1 control as UTF-8, or a raw byte
    0x80-0x9f outside any UTF-8 sequence (an 8-bit C1 control). None when clean."""
    text = data.decode("utf-8", errors="surrogateescape")
    for position, char in enumerate(text):
        code = ord(char)
        if ((code < 0x20 and char != "\n") or 0x7f <= code <= 0x9f or
                0xdc80 <= code <= 0xdc9f):
            return position, char
    return None


def vm_hwm_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


@dataclass
class Measured:
    args: list
    code: int            # exit status; -N when ended by signal N
    out: bytes
    err: bytes
    seconds: float
    ended_at: float      # time.monotonic() when it ended
    peak_kib: int
    stopped: str         # "" or why this test stopped the run ("memory", "hang")

    @property
    def err_text(self):
        return self.err.decode("utf-8", errors="replace")

    @property
    def messages(self):
        """stderr without the --verbose completion lines."""
        return "\n".join(line for line in self.err_text.splitlines()
                         if not VERBOSE_LINE.match(line))

    def describe(self):
        return (f"tamselctl {' '.join(self.args)}: exit {self.code}, {self.seconds:.2f} s, "
                f"peak {self.peak_kib / 1024:.1f} MiB"
                + (f", stopped by the test ({self.stopped})" if self.stopped else ""))


def run_measured(args, scale=TIME_SCALE, guard=HANG_GUARD_SECONDS, on_start=None):
    """Runs tamselctl with `args` as the only child being waited for and measures it.
    `on_start(process)`, if given, is called once right after the start and may act on
    the running process (send it a signal, from a thread of its own); it must not wait
    for the process, which is reaped here."""
    env = dict(os.environ)
    env.pop("TAMSEL_TIME_SCALE", None)
    if scale and scale != 1:
        env["TAMSEL_TIME_SCALE"] = str(scale)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.monotonic()
        process = subprocess.Popen([TAMSELCTL, *args], stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=err, env=env)
        if on_start:
            on_start(process)
        hwm, stopped = 0, ""
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                break
            hwm = max(hwm, vm_hwm_kib(process.pid))
            if not stopped and hwm > MEMORY_CAP_KIB:
                stopped = "memory"
                process.kill()
            elif not stopped and time.monotonic() - start > guard:
                stopped = "hang"
                process.kill()
            time.sleep(0.005)
        ended_at = time.monotonic()
        seconds = ended_at - start
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return Measured(list(args), process.returncode, out.read(), err.read(), seconds,
                        ended_at, max(usage.ru_maxrss, hwm), stopped)


VERBOSE_LINE = re.compile(r"tamselctl: (\w+) ended with code (\d+) \([^)]*\), (\d+) characters")


def completions(err):
    """[(command, code, characters)] from tamselctl's --verbose lines."""
    return [(name, int(code), int(chars)) for name, code, chars in VERBOSE_LINE.findall(err)]


def temporary_addresses():
    """The `:tmsl` addresses of the PC namespace, from `ip -j addr`."""
    listing = json.loads(subprocess.run(["ip", "-j", "addr", "show"], capture_output=True,
                                        check=True, text=True).stdout or "[]")
    return [f"{link['ifname']} {a.get('local')}/{a.get('prefixlen')} {a.get('label')}"
            for link in listing for a in link.get("addr_info", [])
            if str(a.get("label", "")).endswith(":tmsl")]


def strict_json(data):
    """The JSON value of `data`, or None when it is not strict JSON (raw control
    characters inside strings are not allowed)."""
    try:
        return json.loads(data.decode("utf-8"), strict=True)
    except (UnicodeDecodeError, ValueError):
        return None


class Suite:
    """Collects the cases of one test: measured figures and failed checks."""

    def __init__(self, title):
        self.title = title
        self.rows = []
        self.failures = []

    def check(self, case, condition, message):
        if not condition:
            self.failures.append(f"{case}: {message}")
            print(f"  FAIL {case}: {message}", flush=True)
        return condition

    def run(self, case, args, expect=None, scale=TIME_SCALE, guard=HANG_GUARD_SECONDS,
            on_start=None):
        """One measured run (with --verbose) and the checks that every hostile case
        shares: it ended by itself with a documented exit status (`expect`: the required
        ones), within the memory bound, keeping no answer beyond the response bound,
        with no raw control character in its output and no temporary address left
        behind."""
        m = run_measured([*args, "--verbose"], scale=scale, guard=guard, on_start=on_start)
        self.rows.append((case, m))
        print(f"{case}: {m.describe()}", flush=True)
        if m.stopped:
            # Killed here: its exit status and a temporary address it could not remove
            # say nothing more. The address goes, so that the next case starts clean.
            self.check(case, False, f"stopped by the test ({m.stopped}): {m.describe()}")
            for entry in temporary_addresses():
                interface, address = entry.split()[:2]
                subprocess.run(["ip", "addr", "del", address, "dev", interface], check=False)
        elif m.code < 0:
            self.check(case, False,
                       f"ended by signal {-m.code} (a crash)\n    stderr: {m.err_text[-1500:]}")
        elif expect is not None:
            self.check(case, m.code in expect,
                       f"exit {m.code}, required {sorted(expect)}\n"
                       f"    stdout: {m.out[:300]!r}\n    stderr: {m.err_text[-600:]}")
        else:
            self.check(case, m.code in DOCUMENTED_EXITS, f"undocumented exit {m.code}")
        for name, code, chars in completions(m.err_text):
            self.check(case, chars <= RESPONSE_BOUND_CHARS,
                       f"{name} kept {chars} characters of answer (code {code}), beyond the "
                       f"response bound of about 4 MiB")
        self.check(case, m.peak_kib <= MEMORY_BOUND_KIB,
                   f"peak memory {m.peak_kib / 1024:.1f} MiB above the bound of "
                   f"{MEMORY_BOUND_KIB // 1024} MiB")
        for stream, data in (("stdout", m.out), ("stderr", m.err)):
            raw = raw_control(data)
            if raw:
                text = data.decode("utf-8", errors="surrogateescape")
                self.check(case, False, f"raw control character {raw[1]!r} in {stream}: "
                           f"{text[max(0, raw[0] - 60):raw[0] + 60]!r}")
        if not m.stopped:
            left = temporary_addresses()
            self.check(case, not left, f"temporary address left behind: {left}")
        return m

    def check_message(self, case, m):
        """A failed run says why on stderr (beyond its --verbose lines)."""
        if not m.stopped and m.code != 0:
            self.check(case, m.messages.strip() != "", "failed without a message on stderr")

    def finish(self):
        print(f"\n{self.title}: {len(self.rows)} runs")
        print(f"  {'case':44} {'exit':>5} {'seconds':>8} {'peak MiB':>9}")
        for case, m in self.rows:
            print(f"  {case:44} {m.code:>5} {m.seconds:>8.2f} {m.peak_kib / 1024:>9.1f}"
                  + (f"  stopped: {m.stopped}" if m.stopped else ""))
        if self.failures:
            print(f"\n{len(self.failures)} failed checks:")
            for failure in self.failures:
                print("  " + failure)
            sys.exit(1)
        print(f"{self.title}: ok")
