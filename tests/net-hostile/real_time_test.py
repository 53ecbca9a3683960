"""The hostile cases that need real device time (label long): tamselctl runs without a
time scale. The PC sits on 10.0.0.10/24 and the repeaters on 192.168.1.0/24, so every
run adds and removes a temporary address.

Repeaters, in vlan.sh order:
 1 --byte-per-second   one byte per second: only the real 18 s response limit ends it
 2 --endless-body      headers, the page, then text as fast as tamselctl reads
 3 --silent            never answers (here only the address set-up matters)

Required: the slow answer fails as a network failure (exit 3) once the limit has passed;
the endless one fails at the size bound; memory stays within 64 MiB; and SIGTERM during
the address set-up's wait ends tamselctl promptly with exit 143 and no temporary address.
"""

import os
import signal
import threading
import time

from hostile import EXIT_NETWORK, EXIT_REFUSED, Suite, repeater, temporary_addresses

LOGIN = ["--password", "admin"]
# After adding its temporary address the set-up waits 10 s before it checks the address.
# A stop during that wait must not wait it out; this bound only tells the two apart.
STOP_BOUND_SECONDS = 5.0


def slow_answer(suite, r):
    m = suite.run("one byte per second survey", ["survey", r.ip, *LOGIN],
                  expect={EXIT_NETWORK}, scale=1)
    suite.check_message("one byte per second survey", m)
    suite.check("one byte per second survey", m.out == b"",
                f"a failed command printed a result: {m.out[:300]!r}")


def endless_answer(suite, r):
    m = suite.run("endless body status", ["status", r.ip, *LOGIN],
                  expect={EXIT_NETWORK, EXIT_REFUSED}, scale=1)
    suite.check_message("endless body status", m)


def stop_during_address_setup(suite, r):
    sent = {}

    def terminate_once_the_address_is_there(process):
        def act():
            deadline = time.monotonic() + 60
            while not temporary_addresses():
                if time.monotonic() > deadline:
                    return
                time.sleep(0.02)
            time.sleep(0.5)  # well inside the set-up's wait
            sent["at"] = time.monotonic()
            os.kill(process.pid, signal.SIGTERM)

        threading.Thread(target=act, daemon=True).start()

    case = "SIGTERM during the address set-up"
    m = suite.run(case, ["status", r.ip, *LOGIN], expect={128 + signal.SIGTERM}, scale=1,
                  on_start=terminate_once_the_address_is_there)
    if suite.check(case, "at" in sent, "no temporary address appeared"):
        stop = m.ended_at - sent["at"]
        print(f"  ended {stop:.2f} s after SIGTERM")
        suite.check(case, stop < STOP_BOUND_SECONDS,
                    f"took {stop:.1f} s to end after SIGTERM: it waited out the set-up")


if __name__ == "__main__":
    suite = Suite("hostile devices in real time")
    slow_answer(suite, repeater(1))
    endless_answer(suite, repeater(2))
    stop_during_address_setup(suite, repeater(3))
    suite.finish()
