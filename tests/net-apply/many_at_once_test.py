"""Six tamselctl runs at once against six simulated repeaters.

--foreign: the repeaters are in a subnet where the PC has no address, so each run needs
one of the PC's four temporary addresses: at no time are there more than four, the runs
that find all four taken say so in one line and wait, and every run succeeds.
--own: the repeaters are on the PC's own subnet: no run adds an address or waits, and
every run succeeds."""

import subprocess
import sys
import tempfile
import threading
import time

from applyutil import TAMSELCTL, check, repeater, temporary_addresses

WAITING = "places for temporary addresses are taken by other programs; waiting up to"
RUNS = 6


def watch_addresses(done, most):
    while not done.is_set():
        most[0] = max(most[0], len(temporary_addresses()))
        time.sleep(0.05)


if __name__ == "__main__":
    foreign = "--foreign" in sys.argv
    repeaters = [repeater(n) for n in range(1, RUNS + 1)]
    done, most = threading.Event(), [0]
    watcher = threading.Thread(target=watch_addresses, args=(done, most))
    watcher.start()
    # apply --check as a fleet tool runs it: the login given, the state on standard input.
    # Each run has its whole state from the start: a run reads its standard input before
    # it starts, so feeding pipes one by one would run them one by one.
    # (A file each: children of one open file would share its read offset.)
    try:
        processes = []
        for r in repeaters:
            state = tempfile.TemporaryFile()
            state.write(b'{"lan": {"dhcp": true}}')
            state.seek(0)
            processes.append(subprocess.Popen(
                [TAMSELCTL, "apply", r.ip, "--check", "--password", "admin"], stdin=state,
                stdout=subprocess.PIPE, stderr=subprocess.PIPE))
            state.close()
        results = [p.communicate(timeout=300) for p in processes]
    finally:
        done.set()
        watcher.join()

    waited = 0
    for r, p, (out, err) in zip(repeaters, processes, results):
        err = err.decode()
        check(p.returncode == 0, f"{r.ip}: exit {p.returncode}\n{out!r}\n{err}")
        check(b'"failed":null' in out and b'"changed":false' in out, f"{r.ip}: {out!r}")
        if WAITING in err:
            waited += 1
            check(err.count(WAITING) == 1 and r.ip in err, f"{r.ip}: {err}")
    print(f"most temporary addresses at once: {most[0]}; runs that waited: {waited}")
    check(not temporary_addresses(), f"left behind: {temporary_addresses()}")
    if foreign:
        check(1 <= most[0] <= 4, f"{most[0]} temporary addresses at once")
        check(waited >= RUNS - 4, f"only {waited} runs waited")
    else:
        check(most[0] == 0 and waited == 0, f"{most[0]} addresses, {waited} waited")
    print("many at once: ok")
