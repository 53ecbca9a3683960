"""SIGTERM to tamselctl while the host address set-up sits in its 10-second wait after
adding a temporary address (the PC has no address in the repeater's subnet): the set-up
is cancelled, tamselctl ends through its teardown at once, exits 143 and leaves no
temporary address behind. The time limit only guards against a hang; it is well below
the wait that an uncancelled set-up would sit out."""

import signal
import subprocess
import time

from cliutil import TAMSELCTL, check, fail, repeater, retry_until, temporary_addresses

HANG_GUARD_SECONDS = 5

if __name__ == "__main__":
    r = repeater(1)
    process = subprocess.Popen([TAMSELCTL, "status", r.ip, "--password", "admin"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        check(retry_until(30, temporary_addresses), "no temporary address while setting up")
        signalled = time.monotonic()
        process.send_signal(signal.SIGTERM)
        _, err = process.communicate(timeout=HANG_GUARD_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        fail(f"tamselctl had not ended {HANG_GUARD_SECONDS} s after SIGTERM")
    finally:
        if process.poll() is None:
            process.kill()
    print(f"tamselctl ended {time.monotonic() - signalled:.2f} s after SIGTERM")
    check(process.returncode == 128 + signal.SIGTERM,
          f"exit {process.returncode} after SIGTERM: {err!r}")
    check(not temporary_addresses(), f"left behind: {temporary_addresses()}")
    print("interrupt: ok")
