"""tamselctl open: the repeater's web page through the desktop's URL opener, or its URL
printed without a desktop. PC 10.0.0.10/24; repeater 1 at 10.0.0.20/24 on the PC's subnet,
repeater 2 at 192.168.1.1/24 on the LAN in a subnet where the PC has no address.

A fake xdg-open on the PATH records the arguments it gets. For repeater 2 the page can only
be reached through a temporary address: open adds it, says so in one line, and keeps it
until it is told to end (SIGINT, SIGTERM), while a browser (here a plain HTTP request)
reaches the repeater from that address; the address is gone afterwards."""

import os
import signal
import socket
import subprocess
import tempfile
import time

from cliutil import (EXIT_OK, EXIT_USAGE, TAMSELCTL, check, fail, last_seq, read_log, repeater,
                     retry_until, tamselctl, temporary_addresses)

FAKE_OPENER = """#!/bin/sh
printf '%s\\n' "$#" "$@" > "$(dirname "$0")/opened"
"""


def environment(opener_dir, desktop):
    env = dict(os.environ, PATH=f"{opener_dir}:{os.environ['PATH']}", TAMSEL_TIME_SCALE="5")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    if desktop:
        env[desktop] = ":7" if desktop == "DISPLAY" else "wayland-7"
    return env


def opened(opener_dir):
    """The arguments the fake opener got, after their count; None when it did not run."""
    path = os.path.join(opener_dir, "opened")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        lines = f.read().splitlines()
    os.remove(path)
    check(lines and int(lines[0]) == len(lines) - 1, f"opener's arguments {lines}")
    return lines[1:]


def browse(ip):
    """What a browser does first: GET / from the repeater; the status line."""
    with socket.create_connection((ip, 80), timeout=5) as s:
        s.sendall(f"GET / HTTP/1.1\r\nHost: {ip}\r\nConnection: close\r\n\r\n".encode())
        answer = b""
        while chunk := s.recv(4096):
            answer += chunk
    return answer.split(b"\r\n", 1)[0].decode("latin-1")


def main():
    near, far = repeater(1), repeater(2)
    with tempfile.TemporaryDirectory() as opener_dir:
        opener = os.path.join(opener_dir, "xdg-open")
        with open(opener, "w") as f:
            f.write(FAKE_OPENER)
        os.chmod(opener, 0o755)

        # On the PC's subnet: the page opens at once, and nothing is kept.
        for desktop in ("DISPLAY", "WAYLAND_DISPLAY"):
            seq = last_seq(near.log)
            run = tamselctl("open", near.ip, env=environment(opener_dir, desktop),
                            timeout=60).expect(EXIT_OK)
            check(run.out == b"" and run.err == "", f"{desktop}: {run.out!r} {run.err!r}")
            check(opened(opener_dir) == [f"http://{near.ip}/"], f"{desktop}: opener")
            check(any(f.kind == "DISCOVERY" for f in read_log(near.log) if f.seq > seq),
                  "open did not search for the repeater")
        # Without a desktop the URL is printed; with the mask given no search is needed.
        seq = last_seq(near.log)
        run = tamselctl("open", near.ip, "--mask", "255.255.255.0",
                        env=environment(opener_dir, None)).expect(EXIT_OK)
        check(run.text == f"http://{near.ip}/\n", run.text)
        check(opened(opener_dir) is None, "the opener ran without a desktop")
        check(last_seq(near.log) == seq, "open --mask searched")

        # Only an IPv4 address ever becomes a URL.
        for bad in ("10.0.0.20;xterm", "10.0.0.20/", "http://10.0.0.20", "10.0.0.256"):
            tamselctl("open", bad, env=environment(opener_dir, "DISPLAY")).expect(EXIT_USAGE)
        check(opened(opener_dir) is None, "the opener ran for a bad address")

        # A foreign subnet: the temporary address stays while the page is open.
        seq = last_seq(far.log)
        process = subprocess.Popen([TAMSELCTL, "open", far.ip], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True,
                                   env=environment(opener_dir, "DISPLAY"))
        try:
            line = process.stderr.readline()
            check("temporary address 192.168.1.241" in line and far.ip in line and
                  "Ctrl+C" in line, f"open said {line!r}")
            check(retry_until(5, lambda: opened(opener_dir)) == [f"http://{far.ip}/"],
                  "the opener did not get the URL")
            check(len(temporary_addresses()) == 1, f"addresses {temporary_addresses()}")
            time.sleep(1)
            check(process.poll() is None, "open did not keep the address")
            status = browse(far.ip)
            check(status.startswith("HTTP/1."), f"the browser got {status!r}")
            peers = {f.attrs["peer"].split(":")[0] for f in read_log(far.log)
                     if f.kind == "REQUEST" and f.seq > seq}
            check(peers == {"192.168.1.241"}, f"the page was asked from {peers}")
            process.send_signal(signal.SIGTERM)
            code = process.wait(timeout=30)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
                fail("open did not end")
        check(code == EXIT_OK, f"open ended with {code}: {process.stderr.read()}")
        check(process.stdout.read() == "", "open printed the URL with a desktop")
        check(not temporary_addresses(), f"left behind: {temporary_addresses()}")
    print("open: ok")


if __name__ == "__main__":
    main()
