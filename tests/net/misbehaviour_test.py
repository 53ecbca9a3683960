"""Misbehaving repeaters, one per kind, started by scripts/vlan.sh as:
1 --keep-open, 2 --refuse, 3 --status 500, 4 --nul-in-response, 5 --silent, 6 --slow-ms 5.
The sixth is switched at run time through its control file afterwards.
"""

import os
import signal

from simnet import (answer_complete, auth, check, event, exchange, get_request,
                    read_status_page, repeater, wait_for_frame)

STATUS = "/qmv4t2_02_00_00_status.asp"


def status_request(r):
    return get_request(STATUS, r.ip, auth())


def keep_open(r):
    # The whole answer arrives, but the device never closes: the read ends idle.
    ex = exchange(r.ip, status_request(r), idle_timeout=3.0)
    check(ex.status == 200 and answer_complete(ex), "keep-open: incomplete answer")
    check(not ex.closed and not ex.reset, "keep-open: the connection was closed")


def refuse(r):
    try:
        exchange(r.ip, status_request(r))
    except ConnectionRefusedError:
        return
    check(False, "refuse: connection accepted")


def forced_status(r):
    ex = exchange(r.ip, status_request(r))
    check(ex.status == 500 and ex.closed and answer_complete(ex), "status 500: wrong answer")
    check(b"200" not in ex.data, "status 500: answer contains '200'")


def nul_in_response(r):
    ex = exchange(r.ip, status_request(r))
    check(ex.status == 200 and ex.closed and answer_complete(ex), "nul: wrong answer")
    check(ex.body.count(b"\0") == 1, "nul: not exactly one zero byte in the page")


def silent(r):
    ex = exchange(r.ip, status_request(r), idle_timeout=1.0)
    check(ex.data == b"" and not ex.closed, "silent: the device answered or closed")
    wait_for_frame(r.log, lambda f: f.kind == "REQUEST" and f.attrs["complete"] == "yes")


def slow_then_switched(r):
    ex = exchange(r.ip, status_request(r))
    check(ex.status == 200 and ex.closed and answer_complete(ex), "slow: wrong answer")
    check(read_status_page(ex.text()) != "", "slow: page unreadable")
    check(ex.chunks > 1, "slow: the answer came in one piece")

    # Switch the running device to a forced 401 through its control file.
    with open(r.control, "w") as f:
        f.write("# test switch\nstatus 401\n")
    os.kill(r.pid, signal.SIGUSR1)
    frame = wait_for_frame(r.log, event("control"))
    check(frame.attrs.get("misbehaviour") == "status:401", f"control applied as {frame.attrs}")
    ex = exchange(r.ip, status_request(r))
    check(ex.status == 401 and ex.closed, "switched device does not answer 401")


if __name__ == "__main__":
    keep_open(repeater(1))
    refuse(repeater(2))
    forced_status(repeater(3))
    nul_in_response(repeater(4))
    silent(repeater(5))
    slow_then_switched(repeater(6))
    print("misbehaviour: ok")
