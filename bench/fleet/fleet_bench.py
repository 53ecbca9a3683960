"""A fleet through Ansible on the device's real time: one change (a new administrator
password, bench/fleet/one_change.yml) applied to every repeater of the virtual LAN at once
(--forks 20), against the same change applied to one repeater alone; and the run after,
which finds nothing to change, against the schedule of the reads it sends.

Goal for the fleet: at most 2 times the single repeater's time, since each repeater's own
pacing (the web queue's 800 ms steps), not the PC, sets the floor. The reads' schedule is
the search for the repeater's credentials (three sends 0.9 s apart, 2.7 s) plus four
steps of the 800 ms queue timer for each page read, the first at once at best:
    schedule = 2.7 s + (4 x reads - 1) x 0.8 s
where `reads` is the number of page reads the first repeater's log shows for that run.
Both figures include ansible-playbook's own start and its module processes.

Usage, inside the PC namespace of scripts/vlan.sh with the repeaters (scripts/bench.sh
does this):
    fleet_bench.py TAMSELCTL [ROUNDS]
Prints one line of key=value pairs: medians of the rounds. Never asserts a goal."""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "tests", "net"))

from simnet import last_seq, read_log, repeater, request_line  # noqa: E402

PLAYBOOK = os.path.join(HERE, "one_change.yml")
SEARCH_S = 2.7
STEP_S = 0.8


class Bench:
    def __init__(self, work, tamselctl, repeaters):
        self.work = work
        self.repeaters = repeaters
        bin_dir = os.path.join(work, "bin")
        os.mkdir(bin_dir)
        os.symlink(os.path.abspath(tamselctl), os.path.join(bin_dir, "tamselctl"))
        self.inventory = os.path.join(work, "inventory.json")
        with open(self.inventory, "w", encoding="utf-8") as f:
            json.dump({"repeaters": {
                "hosts": {f"repeater-{r.n:02d}": {"ansible_host": r.ip} for r in repeaters},
                "vars": {"ansible_python_interpreter": "/usr/bin/python3"}}}, f)
        home = os.path.join(work, "ansible-home")
        self.env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"],
                        ANSIBLE_COLLECTIONS_PATH=os.path.join(SOURCE, "ansible", "collections"),
                        ANSIBLE_HOME=home, ANSIBLE_LOCAL_TEMP=os.path.join(home, "tmp"),
                        ANSIBLE_NOCOLOR="1", ANSIBLE_RETRY_FILES_ENABLED="0")
        self.env.pop("TAMSEL_TIME_SCALE", None)

    def play(self, password, limit=None, expect_changed=True):
        """Seconds of one ansible-playbook run that sets `password`."""
        secrets = os.path.join(self.work, "secrets.json")
        with open(secrets, "w", encoding="utf-8") as f:
            json.dump({"bench_password": password}, f)
        args = ["ansible-playbook", "-i", self.inventory, PLAYBOOK, "-e", "@" + secrets,
                "--forks", str(len(self.repeaters))]
        if limit:
            args += ["--limit", limit]
        start = time.monotonic()
        done = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=900)
        seconds = time.monotonic() - start
        if done.returncode != 0 or (" changed=1 " in done.stdout) != expect_changed:
            sys.exit(f"fleet_bench: the run did not do what it should:\n{done.stdout[-3000:]}")
        return seconds


def main():
    tamselctl = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    repeaters = [repeater(n) for n in range(1, int(os.environ["VLAN_REPEATER_COUNT"]) + 1)]
    figures = {"single": [], "fleet": [], "again": [], "schedule": []}
    with tempfile.TemporaryDirectory(prefix="tamsel-fleet-bench.") as work:
        bench = Bench(work, tamselctl, repeaters)
        for i in range(rounds):
            # Every round changes every repeater: the fleet gets one password, then the
            # first repeater alone another.
            figures["fleet"].append(bench.play(f"fleet-{i}"))
            seq = last_seq(repeaters[0].log)
            figures["again"].append(bench.play(f"fleet-{i}", expect_changed=False))
            reads = [f for f in read_log(repeaters[0].log) if f.kind == "REQUEST" and
                     f.seq > seq and request_line(f.payload).startswith("GET ")]
            figures["schedule"].append(SEARCH_S + (4 * len(reads) - 1) * STEP_S)
            figures["single"].append(bench.play(f"single-{i}", limit="repeater-01"))
    single, fleet = statistics.median(figures["single"]), statistics.median(figures["fleet"])
    again, schedule = statistics.median(figures["again"]), statistics.median(figures["schedule"])
    print(f"rounds={rounds} repeaters={len(repeaters)} single_s={single:.2f} "
          f"fleet_s={fleet:.2f} fleet_ratio={fleet / single:.3f} fleet_goal=2 "
          f"again_s={again:.2f} reads_schedule_s={schedule:.2f} "
          f"again_ratio={again / schedule:.3f}")


if __name__ == "__main__":
    main()
