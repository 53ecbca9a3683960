"""How tamselctl ends against repeaters that misbehave on the wire (one per repeater):
1 keeps connections open, 2 refuses them, 3 behaves, 4 puts a zero byte in every page,
5 answers 500, 6 answers 401, 7 resets the connection (a listener of this test).

A device that keeps the connection open gives completion code 5 after the 18 s response
limit with its full answer: tamselctl fails the survey as it fails the status reads, since
an unfinished exchange is never a success. A refused connection ends as code 5, a reset
one as code 6."""

import subprocess

from cliutil import (EXIT_CREDENTIALS, EXIT_NETWORK, EXIT_OK, EXIT_REFUSED, TAMSELCTL,
                     TIMEOUT_TEXT, Run, ScriptInNamespace, check, repeater, tamselctl,
                     web_server)
from simnet import auth, exchange, get_request

RESETTING_SERVE = r"""
import socket, struct

def serve(c):
    c.settimeout(5)
    try:
        c.recv(65536)
    except OSError:
        pass
    c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    c.close()
"""


def start(*args):
    return subprocess.Popen([TAMSELCTL, *args, "--password", "admin", "-v"],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def finish(process, args):
    out, err = process.communicate(timeout=120)
    return Run(list(args), subprocess.CompletedProcess(args, process.returncode, out, err))


def only_completion(run, command):
    found = run.completions().get(command, [])
    check(len(found) == 1, f"{command} completions {found}: {run.err}")
    return found[0]


if __name__ == "__main__":
    keep_open, refusing, normal, nul, failing, locked, resetting = (repeater(n)
                                                                    for n in range(1, 8))
    with ScriptInNamespace(resetting.ns, web_server(RESETTING_SERVE), what="resetting listener"):
        slow = {
            "survey kept open": start("survey", keep_open.ip),
            "status kept open": start("status", keep_open.ip),
            "status refused": start("status", refusing.ip),
            "status reset": start("status", resetting.ip),
        }
        runs = {name: finish(p, [name]) for name, p in slow.items()}

    survey_page = exchange(keep_open.ip, get_request("/wlsurvey2.asp", keep_open.ip, auth(),
                                                     referer=False), idle_timeout=2).data
    run = runs["survey kept open"].expect(EXIT_NETWORK)
    check(only_completion(run, "SITESURVEY") == (5, len(survey_page)),
          f"survey completion {run.completions()} against a page of {len(survey_page)}")
    check(TIMEOUT_TEXT in run.err and not run.out, f"survey kept open: {run.out!r} {run.err}")

    for name, code in (("status kept open", 5), ("status refused", 5), ("status reset", 6)):
        run = runs[name].expect(EXIT_NETWORK)
        check(TIMEOUT_TEXT in run.err, f"{name}: {run.err}")
        check(only_completion(run, "LANINFO")[0] == code, f"{name}: {run.completions()}")
        check("WANINFO" not in run.completions(), f"{name} went on: {run.err}")

    # A zero byte cuts the chunk it arrives in.
    raw = exchange(nul.ip, get_request("/qmv4t2_02_02_02_homenet.asp", nul.ip, auth())).data
    check(b"\0" in raw, "the simulator sent no zero byte")
    zero = raw.index(b"\0")
    run = tamselctl("status", nul.ip, "--password", "admin", "-v")
    code, chars = only_completion(run, "LANINFO")
    check(code == 4 and zero <= chars < len(raw),
          f"LANINFO of {chars} characters from a page of {len(raw)} with a zero at {zero}")
    normal_run = tamselctl("status", normal.ip, "--password", "admin", "-v").expect(EXIT_OK)
    check(only_completion(normal_run, "LANINFO")[0] == 4, normal_run.err)

    tamselctl("status", failing.ip, "--password", "admin").expect(EXIT_REFUSED)
    tamselctl("survey", locked.ip, "--password", "admin").expect(EXIT_CREDENTIALS)
    print("transport: ok")
