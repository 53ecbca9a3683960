"""tamselctl through a router: the PC (10.0.0.10/24, its default route and a route to the
far LAN 192.168.7.0/24 both through the router 10.0.0.1) and

  repeater 1  192.168.1.1/24 on the PC's LAN, in a subnet where the PC has no address
  repeater 2  192.168.7.20/24 on the far LAN behind the router, answering to the sender

A search by address finds repeater 2, and its status is read through the router with no
temporary address ever on the PC: as root, as a member of the network helper's group and
as a user outside it. Repeater 1 answers ARP on the LAN, so it still gets its temporary
address. Every repeater must have logged the search requests and exactly the bytes of the
status requests that a dry run writes.

    router_test.py <tamselctl> <tamsel-netadmin>"""

import json
import os
import sys
import tempfile
import threading
import time

from cliutil import (EXIT_OK, as_user, check, install_helper, last_seq, read_log, repeater,
                     request_line, requests_since, same_bytes, tamselctl, temporary_addresses)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "net"))
from simnet import SEARCH_REQUEST  # noqa: E402

HELPER_BUILT = sys.argv[2]
STATUS_PAGES = ["/qmv4t2_02_02_02_homenet.asp", "/qmv4t2_02_02_01_int.asp",
                "/qmv4t2_02_00_00_status.asp"]
PC = "10.0.0.10"
# The device's waits and the queue's pacing run five times faster.
FAST = dict(os.environ, TAMSEL_TIME_SCALE="5")


class AddressWatch:
    """Every temporary address that shows on the PC while the `with` block runs."""

    def __init__(self):
        self.seen = set()
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)

    def run(self):
        while not self.stop.is_set():
            self.seen.update(line.split()[3] for line in temporary_addresses())
            time.sleep(0.02)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *_):
        self.stop.set()
        self.thread.join()


def status(r, prefix=(), env=FAST):
    """tamselctl status of repeater r; checks what it read and that the repeater logged
    the requests a dry run writes, from `source`. Returns the temporary addresses seen."""
    seq = last_seq(r.log)
    with AddressWatch() as watch:
        run = tamselctl("status", r.ip, "--json", env=env, prefix=prefix).expect(EXIT_OK)
    values = json.loads(run.text)
    check(values["lanIp"] == r.ip and values["macAddress"] == r.mac, f"status {values}")
    sent = requests_since(r.log, seq)
    check([request_line(p).split()[1] for p in sent] == STATUS_PAGES,
          f"repeater {r.n} got {[request_line(p) for p in sent]}")
    dry = tamselctl("status", r.ip, "--password", "admin", "--dry-run").expect(EXIT_OK)
    same_bytes(b"".join(sent), dry.out, f"status of repeater {r.n} against its dry run")
    check(not temporary_addresses(), f"left behind: {temporary_addresses()}")
    return seq, watch.seen


def peers_since(r, seq, kind):
    return {f.attrs["peer"].split(":")[0] for f in read_log(r.log)
            if f.kind == kind and f.seq > seq}


def main():
    lan, far = repeater(1), repeater(2)
    check(far.ip == "192.168.7.20" and os.environ["VLAN_REPEATER_2_FAR"] == "1", "no far repeater")

    # The search by address crosses the router.
    seq = last_seq(far.log)
    found = json.loads(tamselctl("discover", "--address", far.ip, "--json", env=FAST)
                       .expect(EXIT_OK).text)
    check([(d["mac"], d["ip"]) for d in found] == [(far.mac, far.ip)], f"found {found}")
    searches = [f for f in read_log(far.log) if f.kind == "DISCOVERY" and f.seq > seq]
    check(len(searches) == 3 and all(f.payload == SEARCH_REQUEST for f in searches),
          f"repeater 2 logged {[f.payload.hex() for f in searches]}")

    # status finds the repeater by a search at its address, once the broadcast missed it,
    # and reads it through the router from the PC's own address.
    seq, seen = status(far)
    check(not seen, f"temporary addresses for a routed repeater: {seen}")
    check(peers_since(far, seq, "REQUEST") == {PC}, f"peers {peers_since(far, seq, 'REQUEST')}")
    check(len([f for f in read_log(far.log) if f.kind == "DISCOVERY" and f.seq > seq]) == 3,
          "the status search did not ask the repeater's address")

    # The same through the network helper for a member of its group, and by a test
    # connection for a user outside it, who may not send ARP at all.
    with tempfile.TemporaryDirectory() as work:
        os.chmod(work, 0o755)
        helper, member, group = install_helper(HELPER_BUILT, work)
        env = dict(FAST, TAMSEL_NETADMIN=helper, XDG_CACHE_HOME=os.path.join(work, "c"))
        for who, prefix in (("member", as_user(member, [group])),
                            ("outsider", as_user(member + 1, []))):
            seq, seen = status(far, prefix, env)
            check(not seen, f"temporary addresses for the {who}: {seen}")
            check(peers_since(far, seq, "REQUEST") == {PC}, f"{who}: peers")

    # A repeater of the LAN in a foreign subnet answers the probe: it still gets its
    # temporary address, which is gone afterwards.
    seq, seen = status(lan)
    check(seen == {"192.168.1.241/32"}, f"temporary addresses for the LAN repeater: {seen}")
    check(peers_since(lan, seq, "REQUEST") == {"192.168.1.241"}, "not from the temporary address")
    print("router: ok")


if __name__ == "__main__":
    main()
