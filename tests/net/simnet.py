"""Small clients for tests that run inside scripts/vlan.sh's PC namespace.

They speak to tamsel-sim the way the set-up utility does (one TCP connection per
request, the utility's exact header lines, the discovery datagram) and read the
simulator's framed log. Standard library only.
"""

import base64
import hashlib
import os
import re
import socket
import sys
import time
from dataclasses import dataclass, field

DISCOVERY_PORT = 13379
SEARCH_REQUEST = b"\xff" * 6 + b"ZELKOR" + b"\x00\xa0\xff\x5f"

U1 = (b"User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322;"
      b" .NET CLR 2.0.50727)\r\n")
A1 = (b"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg,"
      b" application/x-shockwave-flash, */*\r\n")
A3 = (b"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg,"
      b" application/x-shockwave-flash, application/msword,*/*\r\n")
BOUNDARY = b"---------------------------7d9222c1903be"


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


@dataclass
class Repeater:
    n: int
    ip: str
    mask: str
    mac: str
    log: str
    control: str
    pid: int
    ns: str


def repeater(n=1):
    env = lambda key: os.environ[f"VLAN_REPEATER_{n}_{key}"]
    return Repeater(n, env("IP"), env("MASK"), env("MAC"), env("LOG"), env("CONTROL"),
                    int(env("PID")), env("NS"))


def auth(user="admin", password="admin"):
    return base64.b64encode(f"{user}:{password}".encode("cp1252")).decode()


def get_request(path, host, credentials, referer=True):
    """A page read exactly as the utility sends it (LANINFO, WANINFO, GETSTATUS)."""
    lines = b"GET " + path.encode() + b" HTTP/1.1\r\n" + A1
    if referer:
        lines += b"Referer: http://" + host.encode() + path.encode() + b"\r\n"
    lines += (b"Accept-Language: en-us\r\nUA-CPU: x86\r\nAccept-Encoding: gzip, deflate\r\n" + U1 +
              b"Host: " + host.encode() + b"\r\nConnection: Keep-Alive\r\n")
    if credentials is not None:
        lines += b"Authorization: Basic " + credentials.encode() + b"\r\n"
    return lines + b"\r\n"


def post_request(path, referer, body, host, credentials, content_type=None, after=b""):
    """A form post exactly as the utility sends it: note the lower-case content-Length."""
    content_type = content_type or b"Content-Type: application/x-www-form-urlencoded\r\n"
    return (b"POST " + path.encode() + b" HTTP/1.1\r\n" + A3 + b"Referer: http://" +
            host.encode() + referer.encode() + b"\r\nAccept-Language: en-us\r\n" + content_type +
            b"UA-CPU: x86\r\nAccept-Encoding: gzip, deflate\r\n" + U1 + b"Host: " +
            host.encode() + b"\r\ncontent-Length: " + str(len(body)).encode() +
            b"\r\nConnection: Keep-Alive\r\nCache-Control: no-cache\r\nAuthorization: Basic " +
            credentials.encode() + b"\r\n\r\n" + body + after)


def upload_body(image):
    parts = [b"--" + BOUNDARY + b"\r\n",
             b'Content-Disposition: form-data; name="binary"; filename="c:\\1.bin"\r\n',
             b"Content-Type: text/plain\r\n\r\n", image]
    for name, value in (("submit-url", b"qmv4t2_03_02_firmware_b.asp"),
                        ("main_menu_number", b"4"), ("sub_menu_number", b"2"),
                        ("third_menu_number", b"0")):
        parts += [b"\r\n--" + BOUNDARY + b"\r\n",
                  b'Content-Disposition: form-data; name="' + name.encode() + b'"\r\n\r\n', value]
    parts.append(b"\r\n--" + BOUNDARY + b"--\r\n")
    return b"".join(parts)


def upload_request(image, host, credentials):
    content_type = b"Content-Type: multipart/form-data; boundary=" + BOUNDARY + b"\r\n"
    return post_request("/goform/formUpload", "/qmv4t2_03_02_firmware_b.asp", upload_body(image),
                        host, credentials, content_type)


def firmware_image(version, payload):
    field = version.encode()[:32].ljust(32, b"\0")
    return b"TMSLFW01" + field + payload


@dataclass
class Exchange:
    data: bytes = b""
    closed: bool = False   # the device closed the connection (FIN)
    reset: bool = False    # the connection was reset
    chunks: int = 0        # number of reads that returned data

    @property
    def status(self):
        match = re.match(rb"HTTP/1\.1 (\d{3}) ", self.data)
        return int(match.group(1)) if match else None

    @property
    def headers(self):
        head = self.data.split(b"\r\n\r\n", 1)[0].decode("latin-1").split("\r\n")[1:]
        return {k.strip().lower(): v.strip() for k, v in (line.split(":", 1) for line in head)}

    @property
    def body(self):
        return self.data.split(b"\r\n\r\n", 1)[1] if b"\r\n\r\n" in self.data else b""

    def text(self):
        return self.data.decode("cp1252", errors="replace")


def exchange(ip, request, idle_timeout=5.0, segment=None, port=80, limit=None):
    """Sends `request` on a new connection and collects the answer until the device closes
    the connection or stays idle for `idle_timeout` seconds, or `limit` bytes arrived (an
    answer that may never end). With `segment`, the request goes out in pieces of that
    many bytes, each in its own TCP segment."""
    result = Exchange()
    with socket.create_connection((ip, port), timeout=5.0) as s:
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        if segment:
            for i in range(0, len(request), segment):
                s.sendall(request[i:i + segment])
                time.sleep(0.001)
        else:
            s.sendall(request)
        s.settimeout(idle_timeout)
        while limit is None or len(result.data) < limit:
            try:
                chunk = s.recv(65536 if limit is None else min(65536, limit - len(result.data)))
            except socket.timeout:
                break
            except ConnectionResetError:
                result.reset = True
                break
            if not chunk:
                result.closed = True
                break
            result.data += chunk
            result.chunks += 1
    return result


def answer_complete(ex):
    """True when the body is exactly as long as the Content-Length header says."""
    length = ex.headers.get("content-length")
    return length is not None and int(length) == len(ex.body)


def connection_refused(ip, port=80, timeout=1.0):
    try:
        with socket.create_connection((ip, port), timeout=timeout):
            return False
    except ConnectionRefusedError:
        return True
    except OSError:
        return False


# --- what the utility reads out of the pages (its documented search rules) ---------------

class PageCursor:
    """The utility's page reader: skip to a label, skip past a marker, take until an end."""

    def __init__(self, text):
        self.w = text

    def skip_to(self, label):
        p = self.w.find(label)
        if p >= 0:
            self.w = self.w[p:]

    def skip_past(self, marker):
        p = self.w.find(marker)
        self.w = self.w[p + len(marker):] if p + len(marker) > 0 else self.w

    def take_until(self, end):
        p = self.w.find(end)
        return self.w[:p].strip() if p >= 0 else ""


def read_lan_page(text):
    c = PageCursor(text)
    values = {}
    for key, label in (("ip", "IP Address:"), ("mask", "Subnet Mask:")):
        c.skip_to(label)
        c.skip_past('<div align="left">')
        values[key] = c.take_until("<")
    c.skip_to("DHCP Server:")
    c.skip_past("(")
    values["dhcp"] = c.take_until(")")
    c.skip_to("MAC Address:")
    c.skip_past('<div align="left">')
    values["mac"] = c.take_until("<").upper()
    return values


def read_interface_page(text):
    c = PageCursor(text)
    values = {}
    for key in ("dns1", "dns2", "gw"):
        c.skip_past(f'name="{key}" value="')
        values[key] = c.take_until('">')
    c.skip_to("IP Address:")
    c.skip_past('<input name="text2" type="text" id="text" value="')
    values["ip"] = c.take_until('" size="20"')
    for key, label in (("mask", "Subnet Mask:"), ("mode", "Mode:"), ("ssid", "SSID:")):
        c.skip_to(label)
        c.skip_past('<div align="left">')
        values[key] = c.take_until("</div>")
    c.skip_to("Channel:")
    c.skip_past('<div align="left">')
    c.skip_to("Security:")
    c.skip_past('<div align="left">')
    values["security"] = c.take_until("</div>")
    return values


def read_status_page(text):
    c = PageCursor(text)
    c.skip_to("Runtime Code Version:")
    c.skip_past('<div align="left">')
    return c.take_until("</div>")


def read_survey_page(text):
    """The networks the utility would list: rows of seven fields."""
    w = text

    def cut(n):
        nonlocal w
        w = w[max(n, 0):]

    cut(w.find('name="apCount"'))
    cut(w.find("value") + 7)
    quote = w.find('"')
    digits = re.match(r"\d+", w[:quote] if quote >= 0 else "")
    count = int(digits.group()) if digits else 0
    if count > 1:
        count -= 1
    rows = []
    for _ in range(count):
        row = []
        for j in range(7):
            cut(w.find('<font size="2">') + 15)
            end = w.find("<input" if j < 2 else "</font>")
            value = w[:end].strip() if end > 0 else ""
            row.append(value or " ")
        cut(w.find('<font size="2">') + 15)
        rows.append(row)
    return rows


# --- discovery ----------------------------------------------------------------------------

def search_datagrams(request=SEARCH_REQUEST, wait=2.0, interface="eth0", size=2048):
    """Broadcasts `request` from port 13379 and returns every datagram heard within `wait`
    seconds as (sender ip, bytes), in order of arrival; a longer one is cut at `size`."""
    heard = []
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
        s.bind(("", DISCOVERY_PORT))
        s.sendto(request, ("255.255.255.255", DISCOVERY_PORT))
        deadline = time.monotonic() + wait
        while (remaining := deadline - time.monotonic()) > 0:
            s.settimeout(remaining)
            try:
                data, (sender, _) = s.recvfrom(size)
            except socket.timeout:
                break
            heard.append((sender, data))
    return heard


def discovery_search(request=SEARCH_REQUEST, wait=2.0, interface="eth0"):
    """Broadcasts `request` from port 13379 and returns {sender ip: reply bytes} of the
    replies (424 bytes or more) heard within `wait` seconds."""
    replies = {}
    for sender, data in search_datagrams(request, wait, interface):
        if len(data) >= 424 and sender not in replies:
            replies[sender] = data
    return replies


def reply_field(reply, offset, width):
    return reply[offset:offset + width].split(b"\0", 1)[0].decode("cp1252")


def parse_reply(reply):
    return {"mac": reply_field(reply, 17, 32), "model": reply_field(reply, 49, 23),
            "ip": reply_field(reply, 72, 32), "mask": reply_field(reply, 104, 32),
            "user": reply_field(reply, 136, 16), "password": reply_field(reply, 152, 272)}


# --- the simulator's log ----------------------------------------------------------------

@dataclass
class Frame:
    kind: str
    seq: int
    attrs: dict = field(default_factory=dict)
    payload: bytes = b""


def read_log(path):
    with open(path, "rb") as f:
        data = f.read()
    frames, pos = [], 0
    header = re.compile(rb"=== (\w+) (\d+) length (\d+)((?: [^ \n]+)*)\n")
    while pos < len(data):
        match = header.match(data, pos)
        if not match:
            fail(f"log {path}: no frame header at byte {pos}")
        length = int(match.group(3))
        start = match.end()
        if start + length + 1 > len(data):
            break  # a frame still being written
        check(data[start + length:start + length + 1] == b"\n", "frame not closed by a newline")
        attrs = dict(item.split("=", 1) for item in match.group(4).decode().split())
        frames.append(Frame(match.group(1).decode(), int(match.group(2)), attrs,
                            data[start:start + length]))
        pos = start + length + 1
    return frames


def wait_for_frame(path, predicate, timeout=15.0, after_seq=0):
    deadline = time.monotonic() + timeout
    while True:
        for frame in read_log(path):
            if frame.seq > after_seq and predicate(frame):
                return frame
        if time.monotonic() > deadline:
            fail(f"log {path}: expected frame did not appear within {timeout} s")
        time.sleep(0.05)


def last_seq(path):
    frames = read_log(path)
    return frames[-1].seq if frames else 0


def event(what):
    return lambda f: f.kind == "EVENT" and f.attrs.get("what") == what


def requests_since(log, seq):
    """Payloads of the HTTP requests the simulator logged after frame `seq`."""
    return [f.payload for f in read_log(log) if f.kind == "REQUEST" and f.seq > seq]


def request_line(payload):
    return payload.split(b"\r\n", 1)[0].decode("latin-1")


def same_bytes(actual, expected, what):
    if actual == expected:
        return
    at = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b),
              min(len(actual), len(expected)))
    fail(f"{what}: {len(actual)} bytes against {len(expected)}, first difference at {at}:\n"
         f"  got      {actual[max(0, at - 40):at + 40]!r}\n"
         f"  expected {expected[max(0, at - 40):at + 40]!r}")


def sha256(data):
    return hashlib.sha256(data).hexdigest()
