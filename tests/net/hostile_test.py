"""The hostile modes of tamsel-sim on real sockets, started by scripts/vlan.sh as:
1 --endless-body, 2 --huge-page 5, 3 --survey-bomb 1000000, 4 --nul-bytes 50,
5 --slow-ms 20 --chunk-bytes 1, 6 --bad-datagrams 5 --escape-values.
The second is switched at run time through its control file afterwards.
"""

import os
import re
import signal

from simnet import (answer_complete, auth, check, event, exchange, get_request, parse_reply,
                    read_status_page, repeater, search_datagrams, wait_for_frame)

STATUS = "/qmv4t2_02_00_00_status.asp"
SURVEY = "/wlsurvey2.asp"
ESCAPES = b"\x1b[2J\x1b]0;owned\x07\r\x9b1m\x07\x7f"
FILLER_LINE = b"The repeater keeps talking: "


def status_request(r, path=STATUS):
    return get_request(path, r.ip, auth())


def endless_body(r):
    ex = exchange(r.ip, status_request(r), limit=8 << 20)
    check(len(ex.data) == 8 << 20 and not ex.closed, f"endless: {len(ex.data)} bytes, closed")
    check(ex.status == 200 and "content-length" not in ex.headers, f"endless: {ex.headers}")
    check(read_status_page(ex.text()) == "1.3.07 (Jun 14 2011)", "endless: no page first")
    check(ex.body.count(FILLER_LINE) > 10000 and b"</html>" not in ex.body,
          "endless: no filler after the page")


def huge_page(r):
    ex = exchange(r.ip, status_request(r))
    check(ex.status == 200 and ex.closed and answer_complete(ex), "huge: incomplete answer")
    check(len(ex.body) > 5 << 20 and len(ex.body) < (5 << 20) + 20000,
          f"huge: body of {len(ex.body)} bytes")
    check(read_status_page(ex.text()) == "1.3.07 (Jun 14 2011)", "huge: page unreadable")
    check(ex.body.endswith(b" -->\n</body>\n</html>\n"), "huge: filler not in a comment")


def survey_bomb(r):
    ex = exchange(r.ip, status_request(r, SURVEY))
    check(ex.status == 200 and ex.closed and answer_complete(ex), "bomb: incomplete answer")
    marker = b'<input type="hidden" name="apCount" value="300">\n'
    start = ex.body.find(marker) + len(marker)
    check(start >= len(marker), "bomb: no apCount of 300")
    check(ex.body.find(b"<", start) == start + 1000000, "bomb: not 1 MB of text")
    check(ex.body[start + 1000000:].startswith(b"</font>"), "bomb: no </font> after the text")
    check(b"<font" not in ex.body, "bomb: a table cell")
    # Only the survey page.
    ex = exchange(r.ip, status_request(r))
    check(answer_complete(ex) and len(ex.body) < 10000, "bomb: status page changed")


def nul_bytes(r):
    ex = exchange(r.ip, status_request(r))
    check(ex.data.startswith(b"HTTP/1.1 200\0 OK\r\n"), f"nul: status line {ex.data[:20]!r}")
    length = int(re.search(rb"Content-Length: (\d+)", ex.data).group(1))
    check(ex.closed and length == len(ex.body), "nul: incomplete answer")
    zeros = ex.body.count(b"\0")
    check(zeros == 50, f"nul: {zeros} zero bytes in the page")
    check(read_status_page(ex.body.replace(b"\0", b"").decode("cp1252")) ==
          "1.3.07 (Jun 14 2011)", "nul: page changed beyond the zero bytes")


def one_byte_chunks(r):
    ex = exchange(r.ip, status_request(r), limit=20)
    check(ex.data == b"HTTP/1.1 200 OK\r\nSer", f"slow: {ex.data!r}")
    # One byte per pause: the reads cannot get them in a few pieces.
    check(ex.chunks >= 10, f"slow: 20 bytes in {ex.chunks} reads")


def discovery_datagrams(r):
    """Every datagram from `r` after one search, in order of arrival."""
    return [data for sender, data in search_datagrams(size=4096) if sender == r.ip]


def bad_datagrams_and_escapes(r):
    datagrams = discovery_datagrams(r)
    sizes = [len(d) for d in datagrams]
    check(sizes == [0, 1, 423, 1025, 2000, 424], f"datagrams of {sizes} bytes")
    decoy = parse_reply(datagrams[4])
    check(decoy["mac"] == "02" + r.mac.replace(":", "").lower()[2:], f"decoy {decoy}")
    fields = parse_reply(datagrams[-1])
    check(fields["mac"] == r.mac.replace(":", "").lower() and fields["ip"] == r.ip,
          f"reply {fields}")
    model = datagrams[-1][49:72]
    check(model == b"KV-Q3150Tx" + ESCAPES[:12] + b"\0", f"model field {model!r}")
    check(datagrams[-1][104:136].split(b"\0")[0] == b"255.255.255.0" + ESCAPES[:18],
          f"mask field {datagrams[-1][104:136]!r}")
    ex = exchange(r.ip, status_request(r))
    check(b"1.3.07 (Jun 14 2011)" + ESCAPES + b"</div>" in ex.body, "no escapes in the page")


def switched_to_a_trickle(r):
    with open(r.control, "w") as f:
        f.write("endless-body\nslow-ms 10\nchunk-bytes 100\n")
    os.kill(r.pid, signal.SIGUSR1)
    frame = wait_for_frame(r.log, event("control"))
    check(frame.attrs.get("misbehaviour") == "slow-ms:10,chunk-bytes:100,endless-body",
          f"control applied as {frame.attrs}")
    ex = exchange(r.ip, status_request(r), limit=10000)
    check(len(ex.data) == 10000 and "content-length" not in ex.headers and ex.chunks >= 50,
          f"trickle: {len(ex.data)} bytes in {ex.chunks} reads, {ex.headers}")


if __name__ == "__main__":
    endless_body(repeater(1))
    huge_page(repeater(2))
    survey_bomb(repeater(3))
    nul_bytes(repeater(4))
    one_byte_chunks(repeater(5))
    bad_datagrams_and_escapes(repeater(6))
    switched_to_a_trickle(repeater(2))
    print("hostile: ok")
