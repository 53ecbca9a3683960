"""tamselctl discover while another host of the LAN misbehaves on the discovery port.
Repeater 2 is silent; a script in its namespace plays the hostile host.

spam: from the first search request on, the host sends an empty datagram, one longer
than any reply and a reply whose model is a terminal escape sequence to the PC's
discovery port every millisecond. Every real repeater must still be listed, and the
plain listing must show the escape sequence escaped.

flood: on the first search request the host sends 10,000 replies of distinct devices
within one second. The test prints how many were listed (a figure, not a check: what the
kernel drops depends on the machine's load)."""

import json

from cliutil import EXIT_OK, ScriptInNamespace, check, repeater, tamselctl

HOSTILE_HOST = r"""
import socket, sys, time

def reply(mac, model="KV-Q3150Tx", ip="192.168.1.99"):
    data = bytearray(424)
    for offset, text in ((17, mac), (49, model), (72, ip), (104, "255.255.255.0"),
                         (136, "admin"), (152, "admin")):
        raw = text.encode("latin-1")
        data[offset:offset + len(raw)] = raw
    return bytes(data)

mode = sys.argv[1]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 13379))
print("ready", flush=True)
_, pc = s.recvfrom(2048)
if mode == "spam":
    garbage = (b"", b"x" * 2000)
    hostile = reply("0a0b0c0d0e0f", model="\x1b]0;owned\x07\x1b[2J\r")
    while True:
        for datagram in garbage + (hostile,):
            s.sendto(datagram, pc)
        time.sleep(0.001)
else:
    s.setblocking(False)
    count = 10000
    start = time.monotonic()
    for i in range(count):
        while True:
            try:
                s.sendto(reply("02%010x" % i, ip="10.%d.%d.%d" % (i >> 16, (i >> 8) & 255,
                                                                 i & 255)), pc)
                break
            except BlockingIOError:
                time.sleep(0.0001)
        ahead = start + (i + 1) / count - time.monotonic()
        if ahead > 0:
            time.sleep(ahead)
    print("sent %d in %.2f s" % (count, time.monotonic() - start), flush=True)
    time.sleep(3600)
"""


def check_spam(real, hostile_ns):
    with ScriptInNamespace(hostile_ns, HOSTILE_HOST, "spam", what="the hostile host"):
        listed = json.loads(tamselctl("discover", "--json").expect(EXIT_OK).text)
        text = tamselctl("discover").expect(EXIT_OK).out
    macs = [d["mac"] for d in listed]
    check(real.mac in macs, f"the real repeater {real.mac} is missing from {macs}")
    check("0A:0B:0C:0D:0E:0F" in macs, f"the hostile host's reply is missing from {macs}")
    check(b"\x1b" not in text and b"\r" not in text and b"\x07" not in text,
          f"raw control characters in the listing: {text!r}")
    check(b"\\e]0;owned\\a\\e[2J\\r" in text, f"the model is not shown escaped: {text!r}")


def report_flood(real, hostile_ns):
    with ScriptInNamespace(hostile_ns, HOSTILE_HOST, "flood", what="the hostile host"):
        listed = json.loads(tamselctl("discover", "--json", timeout=600).expect(EXIT_OK).text)
    flood = [d for d in listed if d["mac"].startswith("02:")]
    print(f"flood: {len(flood)} of 10000 replies listed")
    check(real.mac in [d["mac"] for d in listed], "the real repeater is missing after a flood")


if __name__ == "__main__":
    real, hostile = repeater(1), repeater(2)
    check_spam(real, hostile.ns)
    report_flood(real, hostile.ns)
    print("discover hostile: ok")
