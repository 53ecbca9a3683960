"""Every way tamselctl takes a secret (argument, file, standard input, the environment
variable TAMSEL_PASSWORD, apply's desired state) works, and no secret reaches what our
programs write: tamselctl's standard output and error (with --json, --diff and -v), its
argument list while it runs (except where the secret was given as an argument), and the
simulator's own output. The simulator's log of the bytes it received holds them, as the
device itself necessarily does; that log is the device's side and is left out."""

import os
import subprocess
import tempfile
import time

from applyutil import (EXIT_OK, TAMSELCTL, apply, check, event, last_seq, read_log, repeater,
                       tamselctl, wait_for_frame)


def write_secret(work, name, value):
    path = os.path.join(work, name)
    with open(path, "w") as f:
        f.write(value + "\n")
    os.chmod(path, 0o600)
    return path


def no_secret_in(text, secrets, what):
    for secret in secrets:
        check(secret not in text, f"{what} holds a secret ({secret[:2]}...): {text[:400]!r}")


def cmdline_while_running(args, stdin, env, secrets):
    """Runs tamselctl and reads its argument list from /proc while it runs; returns the
    run's (code, stdout, stderr)."""
    process = subprocess.Popen([TAMSELCTL, *args], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    process.stdin.write(stdin)
    process.stdin.close()
    seen = b""
    while process.poll() is None:
        try:
            with open(f"/proc/{process.pid}/cmdline", "rb") as f:
                seen += f.read()
        except OSError:
            pass
        time.sleep(0.05)
    out, err = process.stdout.read(), process.stderr.read().decode()
    no_secret_in(seen.decode(errors="replace"), secrets, f"the argument list of {args}")
    return process.returncode, out.decode(), err


if __name__ == "__main__":
    r = repeater(1)
    env = dict(os.environ)
    with tempfile.TemporaryDirectory() as work:
        secrets = []

        # The new password in turn from --new-file, standard input (--new-file -) and the
        # desired state; the current one from --old-file, --password-file, the environment
        # and the desired state's device_password.
        current = "admin"
        steps = []
        for n, how in enumerate(("files", "stdin", "environment", "document")):
            new = f"pw-{how}-{n}x"
            secrets.append(new)
            if how == "files":
                args = ["set-password", r.ip, "--old-file", write_secret(work, "old", current),
                        "--new-file", write_secret(work, "new", new), "--password-file",
                        write_secret(work, "login", current), "-v"]
                stdin, run_env = b"", env
            elif how == "stdin":
                args = ["set-password", r.ip, "--old-file", write_secret(work, "old", current),
                        "--new-file", "-", "-v"]
                stdin, run_env = (new + "\n").encode(), dict(env, TAMSEL_PASSWORD=current)
            elif how == "environment":
                args = ["apply", r.ip, write_secret(work, "state.json",
                                                    '{"password": "%s"}' % new), "--diff", "-v"]
                stdin, run_env = b"", dict(env, TAMSEL_PASSWORD=current)
            else:
                args = ["apply", r.ip, "--diff", "-v"]
                stdin = ('{"device_password": "%s", "password": "%s"}' % (current, new)).encode()
                run_env = env
            seq = last_seq(r.log)
            code, out, err = cmdline_while_running(args, stdin, run_env, secrets)
            check(code == EXIT_OK, f"{how}: exit {code}: {out} {err}")
            check(any(event("password-changed")(f) for f in read_log(r.log) if f.seq > seq),
                  f"{how}: no password change")
            no_secret_in(out + err, secrets + [current], f"{how}'s output")
            current = new

        # The key from --key-file and from the desired state; the login from the
        # environment, with --json output of the status too.
        key_file = "key-from-file-1"
        key_state = "key-from-state-2"
        secrets += [key_file, key_state]
        seq = last_seq(r.log)
        code, out, err = cmdline_while_running(
            ["bridge", r.ip, "--ssid", "HomeNet", "--key-file",
             write_secret(work, "key", key_file), "-v"], b"", dict(env, TAMSEL_PASSWORD=current),
            secrets)
        check(code == EXIT_OK, f"bridge: {out} {err}")
        no_secret_in(out + err, secrets, "bridge's output")
        wait_for_frame(r.log, event("up"), timeout=30, after_seq=seq)
        run, result = apply(r.ip, {"device_password": current,
                                   "wireless": {"ssid": "Office WPA", "security": "tkip",
                                                "key": key_state}}, "--diff", "-v")
        run.expect(EXIT_OK)
        check(result["diff"]["after"]["wireless"]["key"] == "(changed)", f"{result}")
        no_secret_in(run.text + run.err, secrets, "apply's output")
        status = tamselctl("status", r.ip, "--json", "--password-file",
                           write_secret(work, "login", current)).expect(EXIT_OK)
        no_secret_in(status.text + status.err, secrets, "status --json")

        # A secret still works as an argument.
        tamselctl("status", r.ip, "--password", current).expect(EXIT_OK)
        # Standard input serves one thing only.
        both = tamselctl("apply", r.ip, "--password-file", "-", stdin=b"x\n{}")
        check(both.code == 2 and "standard input" in both.err, both.err)
        # A file that cannot be read is named, its content never shown.
        missing = tamselctl("status", r.ip, "--password-file", os.path.join(work, "none"))
        check(missing.code == 2 and "--password" in missing.err, missing.err)

        # The simulator's own output (not its log of received bytes) holds none either.
        with open(os.environ["VLAN_REPEATER_1_OUT"], errors="replace") as f:
            no_secret_in(f.read(), secrets, "the simulator's output")
    print("secrets: ok")
