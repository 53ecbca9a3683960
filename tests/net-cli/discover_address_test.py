"""tamselctl discover --address: the search request sent as unicast to one address or to
every address of a block, against simulated repeaters that answer to the sender
(--reply unicast) or by broadcast.

--lan: the PC and the repeaters share a LAN (1 answers to the sender, 2 by broadcast).
Both are found by a block search; behind a stateful firewall in the PC (nft: input
dropped unless it belongs to what the PC sent) only the one that answers to the sender
is, and a broadcast search finds neither; tamselctl says how many answers were dropped.
--router: the PC (no private LAN address) and two repeaters on a far LAN behind a router
(1 answers to the sender, 2 by broadcast). A broadcast search finds nothing and says where
it went; a search at the address or the far block finds repeater 1, never repeater 2.
Every repeater must have logged exactly the search request, sent to its own address."""

import csv
import io
import json
import os
import subprocess
import sys

from cliutil import EXIT_FIREWALL, EXIT_OK, EXIT_USAGE, check, last_seq, read_log, repeater, tamselctl

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
from simnet import SEARCH_REQUEST  # noqa: E402

NOT_FOUND = "Ranveil Not Found !"
# Block searches run their pacing three times faster: a /24 takes 2.5 s instead of 7.5 s.
FAST = dict(os.environ, TAMSEL_TIME_SCALE="3")


def pc_address():
    out = subprocess.run(["ip", "-j", "-4", "addr", "show", "dev", "eth0"], capture_output=True,
                         text=True, check=True).stdout
    return json.loads(out)[0]["addr_info"][0]["local"]


def discover(*args, env=None):
    return tamselctl("discover", *args, timeout=120, env=env)


def requests_since(r, seq):
    return [f for f in read_log(r.log) if f.kind == "DISCOVERY" and f.seq > seq]


def expect_searched(r, seq, answered="yes"):
    """Repeater r logged exactly three search requests since `seq`, each the request's
    bytes sent from the PC's discovery port to the repeater's own address."""
    frames = requests_since(r, seq)
    check(len(frames) == 3, f"repeater {r.n} logged {len(frames)} requests: "
          f"{[f.attrs for f in frames]}")
    for frame in frames:
        check(frame.payload == SEARCH_REQUEST, f"repeater {r.n} got {frame.payload.hex()}")
        check(frame.attrs["to"] == r.ip, f"repeater {r.n}: sent to {frame.attrs['to']}")
        check(frame.attrs["peer"] == f"{pc_address()}:13379", f"from {frame.attrs['peer']}")
        check(frame.attrs["answered"] == answered, f"repeater {r.n}: {frame.attrs}")


def macs_of_json(run):
    return sorted(d["mac"] for d in json.loads(run.text))


def check_usage_errors():
    for value in ("10.0.0.0/16", "127.0.0.1", "224.0.0.1", "255.255.255.255", "10.0.0.1/33",
                  "repeater"):
        run = discover("--address", value).expect(EXIT_USAGE)
        check(run.out == b"" and len(run.err.splitlines()) == 1, f"{value}: {run.err!r}")
    run = discover("--address", "10.0.0.1", "--json", "--csv").expect(EXIT_USAGE)
    check(len(run.err.splitlines()) == 1, run.err)


def lan():
    r1, r2 = repeater(1), repeater(2)

    # A broadcast search on the LAN hears both kinds of answer.
    check(macs_of_json(discover("--json").expect(EXIT_OK)) == sorted([r1.mac, r2.mac]),
          "the broadcast search missed a repeater")

    # One address: only that repeater is asked, and it alone answers.
    seqs = [last_seq(r.log) for r in (r1, r2)]
    run = discover("--address", r1.ip, "--json").expect(EXIT_OK)
    check(macs_of_json(run) == [r1.mac], run.text)
    expect_searched(r1, seqs[0])
    check(not requests_since(r2, seqs[1]), "repeater 2 was asked")

    # A block: both are found, one row each, as CSV; each logged its three requests.
    seqs = [last_seq(r.log) for r in (r1, r2)]
    run = discover("--address", "192.168.1.0/28", "--csv", env=FAST).expect(EXIT_OK)
    rows = list(csv.DictReader(io.StringIO(run.text, newline="")))
    check(sorted(row["mac"] for row in rows) == sorted([r1.mac, r2.mac]), run.text)
    check({row["mac"]: row["ip"] for row in rows} == {r1.mac: r1.ip, r2.mac: r2.ip}, run.text)
    for r, seq in zip((r1, r2), seqs):
        expect_searched(r, seq)

    # Nobody there: the list is empty and a line on standard error says where it looked.
    run = discover("--address", "192.168.1.77").expect(EXIT_OK)
    check(run.text.strip() == NOT_FOUND, run.text)
    check("No repeater answered at 192.168.1.77." in run.err, run.err)

    check_usage_errors()

    # A stateful firewall: only answers to what the PC sent come in.
    subprocess.run(["nft", "-f", "-"], check=True, text=True, input="""
        table inet tamsel_test {
            chain input {
                type filter hook input priority 0; policy drop;
                iif lo accept
                ct state established,related accept
            }
        }""")
    # tamselctl runs as root here, so it sees the answers that the firewall dropped: both
    # to the broadcast search, repeater 2's by broadcast to the search by address.
    try:
        run = discover("--json").expect(EXIT_FIREWALL)
        check(macs_of_json(run) == [], f"the firewall let a broadcast search's answer in: {run.text}")
        check("2 repeaters answered, but this computer's firewall dropped" in run.err, run.err)
        seqs = [last_seq(r.log) for r in (r1, r2)]
        run = discover("--address", "192.168.1.0/28", "--json", env=FAST).expect(EXIT_FIREWALL)
        check(macs_of_json(run) == [r1.mac], f"behind the firewall: {run.text}")
        check("1 repeater answered, but this computer's firewall dropped its answer." in run.err,
              run.err)
        for r, seq in zip((r1, r2), seqs):
            expect_searched(r, seq)
    finally:
        subprocess.run(["nft", "delete", "table", "inet", "tamsel_test"], check=True)


def router():
    r1, r2 = repeater(1), repeater(2)
    check(r1.ip.startswith("192.168.7.") and os.environ["VLAN_REPEATER_1_FAR"] == "1",
          "the far repeaters are missing")

    # A broadcast search stays on the PC's LAN: nothing, and a line that names eth0 and,
    # as the PC has no private LAN address, suggests a search by address.
    seqs = [last_seq(r.log) for r in (r1, r2)]
    run = discover().expect(EXIT_OK)
    check(run.text.strip() == NOT_FOUND, run.text)
    lines = run.err.splitlines()
    check(len(lines) == 1 and "search on eth0." in lines[0] and "private LAN" in lines[0] and
          "discover --address" in lines[0], run.err)
    check(not requests_since(r1, seqs[0]) and not requests_since(r2, seqs[1]),
          "a broadcast crossed the router")

    # By address, through the router: the repeater that answers to the sender is found.
    seqs = [last_seq(r.log) for r in (r1, r2)]
    run = discover("--address", r1.ip, "--json").expect(EXIT_OK)
    listed = json.loads(run.text)
    check([(d["mac"], d["ip"]) for d in listed] == [(r1.mac, r1.ip)], run.text)
    expect_searched(r1, seqs[0])

    # The far block: repeater 2 is asked too and answers, by broadcast, which never
    # comes back through the router.
    seqs = [last_seq(r.log) for r in (r1, r2)]
    run = discover("--address", os.environ["VLAN_FAR_NET"], "--json", env=FAST).expect(EXIT_OK)
    check(macs_of_json(run) == [r1.mac], run.text)
    for r, seq in zip((r1, r2), seqs):
        expect_searched(r, seq)


if __name__ == "__main__":
    lan() if "--lan" in sys.argv else router()
    print("discover --address: ok")
