"""The example playbook over five repeaters played by the stand-in tamselctl
(fake_tamselctl.py): the installer's three runs (--check --diff, for real, again) with
the recap each must show, no secret in the -vvv output, and what reached tamselctl:
--check and --diff only in the first run, the secrets only on standard input."""

import json
import os
import sys
import tempfile

from fleet import SECRETS, Fleet, check, three_runs

HERE = os.path.dirname(os.path.abspath(__file__))
FAKE = os.path.join(HERE, "fake_tamselctl.py")


def main():
    hosts = {f"repeater-{i:02d}": f"192.168.1.{20 + i}" for i in range(1, 6)}
    with tempfile.TemporaryDirectory(prefix="tamsel-fake-fleet.") as work:
        state = os.path.join(work, "state")
        os.mkdir(state)
        record = os.path.join(work, "record")
        env = {"FAKE_TAMSELCTL_STATE": state, "FAKE_TAMSELCTL_RECORD": record}

        def applies():
            with open(record) as f:
                runs = [json.loads(line) for line in f]
            os.remove(record)
            return runs

        def after(run):
            runs = applies()
            check(sorted(r["argv"][1] for r in runs) == sorted(hosts.values()),
                  f"{run}: tamselctl ran for {[r['argv'][1] for r in runs]}")
            flags = {tuple(r["argv"][3:]) for r in runs}
            check(flags == ({("--check", "--diff")} if run == "check" else {()}),
                  f"{run}: options {flags}")
            for r in runs:
                text = json.dumps(r)
                check(not any(value in text for value in SECRETS.values()),
                      f"{run}: a secret reached tamselctl outside its standard input")
                check(r["document"]["wireless"]["key"].startswith("sha256:"),
                      f"{run}: no key in the document")

        with Fleet(hosts, FAKE, extra_env=env) as fleet:
            three_runs(fleet, after)
    print("playbook against the stand-in: ok")


if __name__ == "__main__":
    sys.exit(main())
