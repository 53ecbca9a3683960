"""Helpers for the tests of tamselctl apply: runs it with a desired state and reads its
one JSON object. Standard library only."""

import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net-cli"))

from cliutil import (EXIT_CREDENTIALS, EXIT_OK, EXIT_USAGE, TAMSELCTL, check,  # noqa: E402,F401
                     event, fail, last_seq, read_log, repeater, request_line, requests_since,
                     tamselctl, temporary_addresses, wait_for_frame, wait_until_up)


def apply(ip, state, *args, env=None, stdin=None):
    """tamselctl apply IP - with `state` (a dict, or bytes as they are) on standard input;
    returns (run, the result object)."""
    data = state if isinstance(state, bytes) else json.dumps(state).encode()
    run = tamselctl("apply", ip, *args, stdin=data if stdin is None else stdin, env=env)
    lines = run.out.decode().splitlines()
    check(len(lines) == 1, f"apply {args}: not one line of JSON: {run.out!r}\n{run.err}")
    return run, json.loads(lines[0])


def request_lines_since(r, seq):
    return [request_line(p) for p in requests_since(r.log, seq)]


def only_reads(lines):
    """True when every request is a GET (the pages read), none a form post."""
    return all(line.startswith("GET ") for line in lines)


def changes_since(r, seq):
    """What the simulator logged having changed since frame `seq`."""
    return [f.attrs.get("what") for f in read_log(r.log)
            if f.seq > seq and f.kind == "EVENT" and f.attrs.get("what") in
            ("bridging", "lan-saved", "password-changed", "repeater-off", "upload",
             "factory-defaults-saved")]
