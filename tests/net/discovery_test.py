"""Discovery against simulated repeaters.

Run by scripts/vlan.sh with three repeaters: 1 default, 2 replying by unicast with a
longer reply and its own login, 3 ignoring searches. With "--other-subnet" the PC sits on
a subnet of its own and only the broadcast replies can reach it.
"""

import sys

from simnet import (SEARCH_REQUEST, check, discovery_search, event, parse_reply, read_log,
                    repeater, wait_for_frame)


def expect_reply(reply, r, user="admin", password="admin", length=424):
    check(len(reply) == length, f"reply of {len(reply)} bytes, expected {length}")
    fields = parse_reply(reply)
    check(fields["mac"].lower() == r.mac.replace(":", "").lower(), f"MAC text {fields['mac']}")
    check(len(fields["mac"]) == 12, "MAC is not 12 digits")
    check(fields["model"] == "KV-Q3150Tx", f"model {fields['model']}")
    check(fields["ip"] == r.ip and fields["mask"] == r.mask, f"address {fields}")
    check(fields["user"] == user and fields["password"] == password, f"login {fields}")


def same_subnet():
    r1, r2, r3 = repeater(1), repeater(2), repeater(3)
    replies = discovery_search()
    check(set(replies) == {r1.ip, r2.ip}, f"answered: {sorted(replies)}")
    expect_reply(replies[r1.ip], r1)
    expect_reply(replies[r2.ip], r2, user="root", password="it's secret", length=600)

    # Every repeater logs the exact request; the one told to ignore searches says so.
    for r, answered in ((r1, "yes"), (r3, "no")):
        frame = wait_for_frame(r.log, lambda f: f.kind == "DISCOVERY")
        check(frame.payload == SEARCH_REQUEST, "logged datagram differs from the request")
        check(frame.attrs["valid"] == "yes" and frame.attrs["answered"] == answered,
              f"repeater {r.n}: {frame.attrs}")
        check(frame.attrs["to"] == "255.255.255.255", f"repeater {r.n}: {frame.attrs}")

    # A search aimed at one MAC address reaches only that device.
    target = bytes.fromhex(r2.mac.replace(":", ""))
    replies = discovery_search(target + SEARCH_REQUEST[6:])
    check(set(replies) == {r2.ip}, f"targeted search answered by {sorted(replies)}")

    # Malformed requests: one byte short, wrong signature, wrong complement.
    for bad in (SEARCH_REQUEST[:15], SEARCH_REQUEST[:6] + b"ZELKOX" + SEARCH_REQUEST[12:],
                SEARCH_REQUEST[:15] + b"\x5e", SEARCH_REQUEST + b"\0"):
        replies = discovery_search(bad, wait=0.5)
        check(not replies, f"malformed request {bad.hex()} answered by {sorted(replies)}")
    # Repeater 1 counts the search aimed at repeater 2 as not for it, too.
    invalid = [f for f in read_log(r1.log) if f.kind == "DISCOVERY" and f.attrs["valid"] == "no"]
    check(len(invalid) == 5, f"{len(invalid)} requests logged as not valid, expected 5")


def other_subnet():
    r1, r2 = repeater(1), repeater(2)
    replies = discovery_search()
    # The broadcast reply reaches a PC outside the device's subnet; a unicast one cannot,
    # as the device has no route back.
    check(set(replies) == {r1.ip}, f"answered: {sorted(replies)}")
    expect_reply(replies[r1.ip], r1)
    check(wait_for_frame(r2.log, lambda f: f.kind == "DISCOVERY").attrs["answered"] == "yes",
          "unicast repeater did not try to answer")


if __name__ == "__main__":
    other_subnet() if "--other-subnet" in sys.argv else same_subnet()
    print("discovery: ok")
