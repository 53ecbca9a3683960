"""The example playbook against the simulated repeaters of a virtual LAN, run inside its
PC namespace as an installer would run it: the installer's three runs with --forks 20
(--check --diff, for real, again) over every repeater of the LAN, some of them in a
subnet where the PC has no address. --check and the run after the real one must send
nothing but reads, as each simulator's log shows; the real run must have changed every
repeater; no secret (the repeaters' present password, the new one, the wireless key) may
appear in ansible-playbook's -vvv output.

    fleet_net_test.py TAMSELCTL DEVICE_PASSWORD      (inside scripts/vlan.sh)
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))

from fleet import Fleet, check, three_runs  # noqa: E402
from simnet import last_seq, read_log, repeater, request_line  # noqa: E402


def main():
    tamselctl, device_password = sys.argv[1], sys.argv[2]
    repeaters = [repeater(n) for n in range(1, int(os.environ["VLAN_REPEATER_COUNT"]) + 1)]
    hosts = {f"repeater-{r.n:02d}": r.ip for r in repeaters}
    marks = {}

    def mark():
        for r in repeaters:
            marks[r.n] = last_seq(r.log)

    def requests(r):
        return [request_line(f.payload) for f in read_log(r.log)
                if f.kind == "REQUEST" and f.seq > marks[r.n]]

    def after(run):
        for r in repeaters:
            sent = requests(r)
            check(sent, f"{run}: repeater {r.ip} received no request")
            writes = [line for line in sent if not line.startswith("GET ")]
            if run == "apply":
                check(writes, f"apply: repeater {r.ip} received only reads: {sent}")
            else:
                check(not writes, f"{run}: repeater {r.ip} received {writes}")
        mark()

    mark()
    with Fleet(hosts, tamselctl, device_password=device_password) as fleet:
        three_runs(fleet, after)
    print(f"fleet of {len(repeaters)} repeaters: ok")


if __name__ == "__main__":
    sys.exit(main())
