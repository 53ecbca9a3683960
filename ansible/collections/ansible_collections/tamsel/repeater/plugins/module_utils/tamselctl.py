# -*- coding: utf-8 -*-
# Copyright: 2026 Zelkora. See the collection's LICENSE.
"""What the tamsel.repeater modules share: running tamselctl and reading what it prints.

The modules stay thin: every decision about a repeater is made by tamselctl, the same
core as the desktop program's. A module only builds tamselctl's arguments, hands any
secret to it on its standard input (never in its argument list or environment), and
turns its JSON into a module result.
"""

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# tamselctl's exit statuses, as its --help lists them.
EXIT_STATUS_MEANING = {
    0: "success",
    2: "usage or refused input",
    3: "network failure",
    4: "login refused",
    5: "request refused by the repeater",
    6: "the PC's firewall dropped the repeaters' answers",
}

# The option every module takes: which tamselctl to run.
TAMSELCTL_PATH_OPTION = dict(type="path", default="tamselctl")


def tamselctl_program(module):
    """The tamselctl to run: the path given, or the program of that name on the PATH."""
    program = module.params["tamselctl_path"]
    if "/" in program:
        return program
    return module.get_bin_path(program, required=True)


def run_tamselctl(module, args, secret_input=None):
    """Runs tamselctl with `args`, and `secret_input` (text) as its whole standard input.

    Returns (exit status, standard output, standard error). The input is handed over as
    it is, without a newline added, so that a password read from it is exactly the one
    given."""
    data = None if secret_input is None else secret_input.encode("utf-8")
    return module.run_command([tamselctl_program(module)] + list(args), data=data,
                              binary_data=True, check_rc=False)


def last_line(text):
    """The last non-empty line of `text`: tamselctl's own one-line reason for a failure."""
    lines = [line.strip() for line in (text or "").splitlines() if line.strip()]
    return lines[-1] if lines else ""


def failure_message(command, rc, stderr):
    """One line for a tamselctl run that failed before it could give a result."""
    reason = last_line(stderr) or EXIT_STATUS_MEANING.get(rc, "exit status %d" % rc)
    return "tamselctl %s failed (exit status %d): %s" % (command, rc, reason)


def parse_json(module, command, rc, stdout, stderr, expected_type):
    """tamselctl's JSON output as `expected_type` (dict or list); fails the module with
    tamselctl's own reason when there is none."""
    try:
        value = json.loads(stdout)
    except ValueError:
        value = None
    if not isinstance(value, expected_type):
        module.fail_json(msg=failure_message(command, rc, stderr) if rc != 0 else
                         "tamselctl %s printed no JSON %s" % (command, expected_type.__name__),
                         rc=rc, stdout=stdout, stderr=stderr)
    return value
