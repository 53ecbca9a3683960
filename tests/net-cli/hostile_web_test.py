"""tamselctl against a device whose web server is hostile (a listener of this test on
repeater 2's address; repeater 1 is a well-behaved simulator whose survey page serves as
a template). Device time runs 20 times faster (TAMSEL_TIME_SCALE), so the 18 s response
limit takes under a second.

- An endless body and a 50 MB page: the answer is cut off at 4 MiB, the run fails with
  the network exit code and says why, and tamselctl's peak memory stays within 64 MiB
  (printed for both).
- A page that trickles in and never ends: the response limit ends it, and the survey
  fails instead of listing nothing.
- A survey page whose network name carries terminal escape sequences: the plain listing
  shows them escaped."""

import os
import subprocess
import tempfile

from cliutil import (EXIT_NETWORK, EXIT_OK, TAMSELCTL, TIMEOUT_TEXT, Run, ScriptInNamespace,
                     check, repeater, web_server)
from simnet import auth, exchange, get_request

PEAK_MEMORY_LIMIT_KIB = 64 * 1024
TIME_SCALE = "20"

HOSTILE_SERVE = r"""
import sys, time

mode = sys.argv[1]
page = open(sys.argv[2], "rb").read() if len(sys.argv) > 2 else b""

def serve(c):
    try:
        c.recv(65536)
        if mode == "endless":
            c.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")
            chunk = b"<tr><td>x</td></tr>" * 4096
            while True:
                c.sendall(chunk)
        elif mode == "big":
            size = 50 * 1000 * 1000
            c.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size)
            chunk = b"y" * 65536
            for _ in range(0, size, len(chunk)):
                c.sendall(chunk)
        elif mode == "trickle":
            c.sendall(b"HTTP/1.1 200 OK\r\n\r\n<html>")
            while True:
                time.sleep(0.05)
                c.sendall(b" ")
        else:
            c.sendall(page)
    except OSError:
        pass
    finally:
        c.close()
"""


class HostileServer(ScriptInNamespace):
    def __init__(self, ns, mode, page=None):
        super().__init__(ns, web_server(HOSTILE_SERVE), mode, *([page] if page else []),
                         what=f"{mode} server")


def measured_tamselctl(*args):
    """Runs tamselctl and returns its Run and its peak resident memory in KiB."""
    env = dict(os.environ, TAMSEL_TIME_SCALE=TIME_SCALE)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen([TAMSELCTL, *args], stdout=out, stderr=err, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        completed = subprocess.CompletedProcess(args, process.returncode, out.read(), err.read())
    return Run(list(args), completed), usage.ru_maxrss


def check_flood(hostile, mode):
    with HostileServer(hostile.ns, mode):
        run, peak = measured_tamselctl("survey", hostile.ip, "--password", "admin", "-v")
    print(f"{mode}: exit {run.code}, peak memory {peak / 1024:.1f} MiB")
    run.expect(EXIT_NETWORK, f"against the {mode} answer")
    check("The repeater's answer to SITESURVEY exceeded 4 MiB" in run.err, run.err)
    check(run.completions().get("SITESURVEY") == [(6, 0)], f"completion: {run.err}")
    check(peak <= PEAK_MEMORY_LIMIT_KIB, f"peak memory {peak} KiB against the {mode} answer")


def check_trickle(hostile):
    with HostileServer(hostile.ns, "trickle"):
        run, _ = measured_tamselctl("survey", hostile.ip, "--password", "admin", "-v")
    run.expect(EXIT_NETWORK, "for an answer that never ended")
    check(TIMEOUT_TEXT in run.err and not run.out, f"{run.out!r} {run.err}")
    check(run.completions()["SITESURVEY"][0][0] == 5, run.err)


def check_escapes(template, hostile, directory):
    page = exchange(template.ip, get_request("/wlsurvey2.asp", template.ip, auth(),
                                             referer=False)).data
    check(b"HomeNet" in page, "the template survey page lists no HomeNet")
    path = os.path.join(directory, "survey.http")
    with open(path, "wb") as f:
        # 0x8d is one of the bytes Windows-1252 leaves undefined: it reads as the C1
        # control U+008D.
        f.write(page.replace(b"HomeNet", b"Home\x1b]0;owned\x07\x1b[2J\x8d\rNet"))
    with HostileServer(hostile.ns, "page", path):
        run, _ = measured_tamselctl("survey", hostile.ip, "--password", "admin")
    run.expect(EXIT_OK)
    check(not any(byte in run.out for byte in b"\x1b\x07\r") and b"\xc2\x8d" not in run.out,
          f"raw control characters in the listing: {run.out!r}")
    check(b"Home\\e]0;owned\\a\\e[2J\\u008d\\rNet" in run.out, f"not escaped: {run.out!r}")


if __name__ == "__main__":
    template, hostile = repeater(1), repeater(2)
    check_flood(hostile, "endless")
    check_flood(hostile, "big")
    check_trickle(hostile)
    with tempfile.TemporaryDirectory() as directory:
        check_escapes(template, hostile, directory)
    print("hostile web: ok")
