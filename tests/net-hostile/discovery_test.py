"""tamselctl discover among hostile repeaters, on the PC's own subnet.

Repeaters, in vlan.sh order:
 1 --bad-datagrams 5                 before each reply: an empty datagram, one of 1 byte,
                                     one of 423, 1025 and 2000 bytes (a decoy device)
 2 (well-behaved)
 3 --escape-values                   terminal control sequences in its model and mask
 4 --bad-datagrams 5 --reply unicast the same, sent to the searcher's own address

Required: invalid datagrams are dropped and every valid reply, also one that follows them,
is listed: the four devices exactly once each and never the decoy (02:...). Control
characters in the model and mask are shown escaped; --json stays strict JSON. Device time
runs 4 times faster (a search takes about 0.7 s), which leaves the simulators ample time
to answer on a busy machine.
"""

import os

from hostile import EXIT_OK, Suite, repeater, strict_json
from simnet import read_log

SCALE = 4


def expected_devices():
    count = int(os.environ["VLAN_REPEATER_COUNT"])
    return {repeater(n).mac: repeater(n) for n in range(1, count + 1)}


def check_json(suite, expected):
    case = "discover --json"
    m = suite.run(case, ["discover", "--json"], expect={EXIT_OK}, scale=SCALE)
    listed = strict_json(m.out)
    if not suite.check(case, isinstance(listed, list), f"not strict JSON: {m.out[:600]!r}"):
        return
    macs = [d.get("mac", "") for d in listed]
    decoys = [mac for mac in macs if mac.startswith("02:")]
    suite.check(case, not decoys, f"a decoy from an invalid datagram is listed: {decoys}")
    missing = sorted(set(expected) - set(macs))
    suite.check(case, not missing, f"not listed: {missing} (listed {macs})")
    suite.check(case, len(macs) == len(set(macs)), f"listed twice: {macs}")
    for device in listed:
        r = expected.get(device.get("mac"))
        if r is None:
            continue
        suite.check(case, device.get("ip") == r.ip, f"wrong address in {device}")
        suite.check(case, device.get("model", "").startswith("KV-Q3150Tx"),
                    f"wrong model in {device}")
    hostile = [d for d in listed if d.get("mac") == repeater(3).mac]
    if hostile:
        suite.check(case, "\x1b" in hostile[0]["model"] + hostile[0]["mask"],
                    f"the device's text was changed rather than escaped: {hostile[0]}")


def check_text(suite, expected):
    case = "discover"
    m = suite.run(case, ["discover"], expect={EXIT_OK}, scale=SCALE)
    text = m.out.decode("utf-8", errors="replace")
    counts = {mac: text.count(mac) for mac in expected}
    suite.check(case, all(n == 1 for n in counts.values()),
                f"times listed {counts}: {text!r}")
    suite.check(case, "02:1A:2B" not in text.upper(), f"a decoy is listed: {text!r}")


def check_the_simulators_sent_them(suite):
    # Guard against a vacuous pass: the hostile repeaters did answer with their invalid
    # datagrams first.
    for n in (1, 4):
        frames = [f for f in read_log(repeater(n).log)
                  if f.kind == "DISCOVERY" and f.attrs.get("answered") == "yes"]
        suite.check(f"repeater {n}", frames and all(f.attrs.get("invalid-sent") == "5"
                                                    for f in frames),
                    f"did not send its invalid datagrams: {[f.attrs for f in frames]}")


if __name__ == "__main__":
    suite = Suite("hostile discovery")
    expected = expected_devices()
    check_json(suite, expected)
    check_text(suite, expected)
    check_the_simulators_sent_them(suite)
    suite.finish()
