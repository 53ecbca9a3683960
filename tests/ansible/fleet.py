"""Runs the collection's example playbook (ansible/examples/fleet.yml) over a fleet of
repeaters the way an installer would, three times: --check --diff, for real, and again.
Shared by the test against the stand-in tamselctl and the one against simulated
repeaters. Standard library only; ansible-playbook is run as a program."""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "net"))

from simnet import check  # noqa: E402
PLAYBOOK = os.path.join(SOURCE, "ansible", "examples", "fleet.yml")
COLLECTIONS = os.path.join(SOURCE, "ansible", "collections")

# The values of every secret the playbook hands over: none may ever be printed.
SECRETS = {"repeater_password": "New-Admin-8622", "office_wifi_key": "Key-Office-9933"}
OFFICE = {"office_ssid": "HomeNet", "office_mask": "255.255.255.0"}


class Fleet:
    """A work folder with an inventory of `hosts` ({name: address}), the secrets in a vars
    file, and `tamselctl` (the program given) first on the PATH of ansible-playbook and so
    of the modules. `installed` uses the collection where Ansible finds it by itself."""

    def __init__(self, hosts, tamselctl, installed=False, extra_env=None,
                 device_password=None):
        self.work = tempfile.mkdtemp(prefix="tamsel-fleet.")
        self.hosts = hosts
        # The repeaters' present password, which they give in their discovery answers.
        self.secret_values = list(SECRETS.values()) + [p for p in [device_password] if p]
        bin_dir = os.path.join(self.work, "bin")
        os.mkdir(bin_dir)
        os.symlink(os.path.abspath(tamselctl), os.path.join(bin_dir, "tamselctl"))
        self.inventory = os.path.join(self.work, "inventory.json")
        with open(self.inventory, "w", encoding="utf-8") as f:
            json.dump({"repeaters": {
                "hosts": {name: {"ansible_host": ip} for name, ip in hosts.items()},
                "vars": dict(OFFICE, ansible_python_interpreter="/usr/bin/python3")}}, f)
        self.secrets = os.path.join(self.work, "secrets.json")
        with open(self.secrets, "w", encoding="utf-8") as f:
            json.dump(SECRETS, f)
        # An empty configuration of its own: no ansible.cfg of the machine or the user
        # changes what the test sees.
        config = os.path.join(self.work, "ansible.cfg")
        with open(config, "w", encoding="utf-8") as f:
            f.write("[defaults]\n")
        home = os.path.join(self.work, "ansible-home")
        self.env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"],
                        ANSIBLE_HOME=home, ANSIBLE_LOCAL_TEMP=os.path.join(home, "tmp"),
                        ANSIBLE_REMOTE_TMP=os.path.join(home, "remote-tmp"),
                        ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0",
                        ANSIBLE_CONFIG=config)
        if not installed:
            self.env["ANSIBLE_COLLECTIONS_PATH"] = COLLECTIONS
        self.env.update(extra_env or {})

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def playbook(self, *options, playbook=PLAYBOOK, forks=20):
        """Runs ansible-playbook at -vvv; returns (exit status, everything it printed)."""
        args = ["ansible-playbook", "-i", self.inventory, playbook, "-e", "@" + self.secrets,
                "--forks", str(forks), "-vvv", *options]
        done = subprocess.run(args, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=900)
        for i, value in enumerate(self.secret_values):
            check(value not in done.stdout,
                  f"{' '.join(options) or 'the real run'}: secret {i} is in the -vvv output")
        return done.returncode, done.stdout


def recap(output):
    """{host: {"ok": n, "changed": n, ...}} from the PLAY RECAP."""
    found = {}
    for host, counts in re.findall(r"^(\S+)\s+:\s+((?:\w+=\d+\s*)+)$", output, re.M):
        found[host] = {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", counts)}
    return found


def expect_recap(output, what, changed):
    """Every host of the fleet ok, none failed, each with `changed` changes."""
    counts = recap(output)
    for host, c in counts.items():
        check(c.get("failed", 0) == 0 and c.get("unreachable", 0) == 0 and
              c.get("changed") == changed,
              f"{what}: {host} {c}, expected changed={changed}\n{tail(output)}")
    return counts


def tail(output, lines=80):
    return "\n".join(output.splitlines()[-lines:])


def three_runs(fleet, after=lambda run: None):
    """The installer's three runs, each checked: `after(name)` is called after each with
    "check", "apply" or "again" for the caller's own checks."""
    rc, out = fleet.playbook("--check", "--diff")
    check(rc == 0, f"--check --diff: exit {rc}\n{tail(out)}")
    check(set(expect_recap(out, "--check --diff", 1)) == set(fleet.hosts),
          f"--check --diff: recap for {sorted(recap(out))}")
    # Secrets are shown in the diff as changed, never as their value.
    check('"(changed)"' in out, "--check --diff: no secret shown as (changed)\n" + tail(out))
    check(OFFICE["office_ssid"] in out, "--check --diff: the diff lacks the new SSID")
    after("check")

    rc, out = fleet.playbook()
    check(rc == 0, f"apply: exit {rc}\n{tail(out)}")
    expect_recap(out, "apply", 1)
    after("apply")

    rc, out = fleet.playbook()
    check(rc == 0, f"again: exit {rc}\n{tail(out)}")
    expect_recap(out, "again", 0)
    after("again")
