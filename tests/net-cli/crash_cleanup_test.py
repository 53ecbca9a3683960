"""A survey page crafted to make reading it cost far more memory than the page holds,
read by tamselctl under an address-space limit, while the PC reaches the repeater through
a temporary host address (it has no address in the repeater's subnet). However the
reading fares, tamselctl must end through its teardown: exit 0 (read), 3, or 1 with
"Internal error" when an allocation failed, never killed by a signal, and no temporary
address may be left behind. Device time runs ten times faster (TAMSEL_TIME_SCALE)."""

import os
import resource
import subprocess
import sys
import tempfile

from cliutil import TAMSELCTL, check, repeater, temporary_addresses
from hostile_web_test import HostileServer

ADDRESS_SPACE_LIMIT = 1024 * 1024 * 1024


def costly_survey_page():
    # Every channel and name cell of 256 networks runs on to the one "<input" at the
    # very end, past a long filler.
    cells = b'<font size="2">a' * (256 * 8 + 8)
    body = (b'<input type="hidden" name="apCount" value="300">' + cells + b"z" * 200000 +
            b"<input>")
    return b"HTTP/1.1 200 OK\r\n\r\n" + body


def limit_address_space():
    resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE_LIMIT, ADDRESS_SPACE_LIMIT))


if __name__ == "__main__":
    hostile = repeater(1)
    with tempfile.TemporaryDirectory() as directory:
        path = os.path.join(directory, "survey.http")
        with open(path, "wb") as f:
            f.write(costly_survey_page())
        with HostileServer(hostile.ns, "page", path):
            run = subprocess.run([TAMSELCTL, "survey", hostile.ip, "--password", "admin"],
                                 capture_output=True, timeout=120,
                                 preexec_fn=limit_address_space,
                                 env=dict(os.environ, TAMSEL_TIME_SCALE="10"))
    err = run.stderr.decode("utf-8", errors="replace")
    print(f"tamselctl exit {run.returncode}: {err.strip()}")
    check(run.returncode in (0, 1, 3), f"tamselctl ended by exit {run.returncode}: {err}")
    check(run.returncode != 1 or "tamselctl: Internal error:" in err, err)
    check(not temporary_addresses(), f"left behind: {temporary_addresses()}")
    print("crash cleanup: ok")
