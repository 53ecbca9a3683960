"""Thousands of generated SSIDs, keys and passwords through tamselctl's dry run, each
output checked against the requests built here, independently, from the device's
request templates: form encoding, Windows-1252, content-Length, Basic credentials.
Input the pages refuse must give the usage exit code and no output. Sends nothing."""

import base64
import random
import string
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

TAMSELCTL = sys.argv[1]
RUNS = 3000
DEVICE = "192.168.7.1"

A3 = ("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
      "application/x-shockwave-flash, application/msword,*/*\r\n")
A4 = ("Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
      "application/x-shockwave-flash, application/vnd.ms-excel, application/msword, */*\r\n")
U1 = ("User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 5.1; .NET CLR 1.1.4322; "
      ".NET CLR 2.0.50727)\r\n")
U2 = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)\r\n"
CF = "Content-Type: application/x-www-form-urlencoded\r\n"
ENC = "Accept-Encoding: gzip, deflate\r\n"

# Windows-1252: 0x80-0x9F as the code page assigns them; the five bytes it leaves
# undefined stand for the control characters of the same value.
HIGH = {}
for byte in range(0x80, 0xA0):
    try:
        HIGH[bytes([byte]).decode("cp1252")] = byte
    except UnicodeDecodeError:
        HIGH[chr(byte)] = byte


def cp1252(text):
    out = bytearray()
    for ch in text:
        code = ord(ch)
        if code < 0x80 or 0xA0 <= code <= 0xFF:
            out.append(code)
        else:
            out.append(HIGH.get(ch, ord("?")))
    return bytes(out)


def form(text):
    escaped = "!\"#$%&'()+,/:;<=>?[\\]^`{|}~"
    return "".join("+" if c == " " else f"%{ord(c):02X}" if c in escaped else c for c in text)


def post(path, accept, referer, lines, body, password, after=""):
    # Line breaks never reach the credentials: they would end the header line.
    login = "admin:" + password.replace("\r", "").replace("\n", "")
    credentials = base64.b64encode(cp1252(login)).decode()
    head = (f"POST {path} HTTP/1.1\r\n" + accept + f"Referer: http://{DEVICE}{referer}\r\n" +
            lines + f"Host: {DEVICE}\r\ncontent-Length: {len(cp1252(body))}\r\n"
            "Connection: Keep-Alive\r\nCache-Control: no-cache\r\n"
            f"Authorization: Basic {credentials}\r\n\r\n")
    return cp1252(head + body + after)


def browser_lines():
    return "Accept-Language: en-us\r\n" + CF + "UA-CPU: x86\r\n" + ENC + U1


def reboot(password):
    return post("/goform/formReboot", A3, "/qmv4t2_03_03_reset.asp", browser_lines(),
                "reset_flag=0&submit-url=%2Fqmv4t2_03_03_reset.asp", password)


def is_cp1252(text):
    """Whether every character has a Windows-1252 byte (else it would go out as '?')."""
    return all(ch == "?" or cp1252(ch) != b"?" for ch in text)


def is_hex(text):
    return all(c in string.hexdigits for c in text)


def station_body(ssid, channel, security, key, key_index):
    """The station form, or None when the page would refuse the key."""
    wep_keys = "&".join(f"key{n}=&stadrv_wepformat{n}=0" for n in range(1, 5))
    if security == "none":
        return (f"stadrv_type=3&stadrv_ssid={form(ssid)}&stadrv_chan={channel}"
                f"&stadrv_encrypttype=0&stadrv_weplength=0&stadrv_defaultkey=0&{wep_keys}"
                "&stadrv_wpacipher=0&stadrv_pskformat=0&stadrv_pskkey=&submit-url=%2Fwanwisp.asp")
    if not is_cp1252(key):
        return None
    if security == "wep":
        if not (len(key) in (5, 13) or (len(key) in (10, 26) and is_hex(key))):
            return None
        hexadecimal = len(key) not in (5, 13)
        length = 0 if len(key) in (5, 10) else 1
        fmt = 1 if hexadecimal else 0
        value = key if hexadecimal else form(key)
        keys = "&".join(f"key{n}={value}&stadrv_wepformat{n}={fmt}" for n in range(1, 5))
        return (f"stadrv_type=3&stadrv_ssid={form(ssid)}&stadrv_chan={channel}"
                f"&stadrv_encrypttype=1&stadrv_weplength={length}"
                f"&stadrv_defaultkey={key_index - 1}&{keys}"
                "&stadrv_wpacipher=0&stadrv_pskformat=0&stadrv_pskkey=&submit-url=%2Fwanwisp.asp")
    if not ((len(key) == 64 and is_hex(key)) or 8 <= len(key) <= 63):
        return None
    hexadecimal = len(key) == 64
    cipher = 1 if security == "aes" else 0
    return (f"stadrv_type=3&stadrv_ssid={form(ssid)}&stadrv_chan={channel}"
            f"&stadrv_encrypttype=2&stadrv_weplength=0&stadrv_defaultkey=0&{wep_keys}"
            f"&stadrv_wpacipher={cipher}&stadrv_pskformat={1 if hexadecimal else 0}"
            f"&stadrv_pskkey={key if hexadecimal else form(key)}&submit-url=%2Fwanwisp.asp")


def bridge_case(rng):
    ssid, key = text(rng, 0, 40), key_text(rng)
    security = rng.choice(["none", "wep", "tkip", "aes"])
    channel, key_index, password = str(rng.randint(1, 14)), rng.randint(1, 4), text(rng, 0, 20)
    args = ["bridge", DEVICE, "--ssid", ssid, "--key", key, "--key-index", str(key_index),
            "--security", security, "--channel", channel, "--password", password, "--dry-run"]
    if not ssid:
        return args, None  # --ssid is required
    body = station_body(ssid, channel, security, key, key_index)
    if body is None:
        return args, None
    uncheck = post("/goform/formZelkora", A3, "/index.asp", browser_lines(),
                   "submit-url=%2Fwamode.asp", password)
    station = post("/goform/formStaDrvSetup", A4, "/wanwisp.asp",
                   "Accept-Language: zh-tw\r\n" + CF + ENC + U2, body, password, after="\r\n")
    return args, uncheck + station + reboot(password)


def password_case(rng):
    password = text(rng, 0, 20).replace("\r", "").replace("\n", "")
    new = text(rng, 0, 34)
    args = ["set-password", DEVICE, "--password", password, "--old", password, "--new", new,
            "--dry-run"]
    if not new or len(new) > 30 or not is_cp1252(new):
        return args, None
    body = (f"oldpass={form(password)}&newpass={form(new)}&confpass={form(new)}"
            "&save=Apply&submit-url=%2Fqmv4t2_01_01_02_passset.asp")
    return args, post("/goform/formPasswordSetup", A3, "/qmv4t2_01_01_02_passset.asp",
                      browser_lines(), body, password)


POOLS = [
    string.ascii_letters + string.digits,
    " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
    "\u00e9\u00ff\u00a0\u00c6",             # Latin-1
    "\u20ac\u0160\u2018\u2122\u0178",       # Windows-1252's own 0x80-0x9F characters
    "\u0081\u008d\u0080\u009f",             # its undefined bytes, and C1 it cannot hold
    "\u0100\u4e2d\U0001F600\u2603",         # beyond the code page
    "\t\x01\x7f\n\r",                       # controls (no zero: a command line cannot hold it)
]


def text(rng, shortest, longest):
    return "".join(rng.choice(rng.choice(POOLS)) for _ in range(rng.randint(shortest, longest)))


def key_text(rng):
    kind = rng.random()
    if kind < 0.3:
        return "".join(rng.choice(string.hexdigits) for _ in range(rng.choice([10, 26, 64, 63])))
    return text(rng, 0, 70) if kind < 0.6 else text(rng, rng.choice([5, 8, 13]), 13)


def run_case(case):
    args, expected = case
    result = subprocess.run([TAMSELCTL, *args], capture_output=True, timeout=30)
    if expected is None:
        ok = result.returncode == 2 and result.stdout == b"" and result.stderr != b""
    else:
        ok = result.returncode == 0 and result.stdout == expected
    return ok, args, expected, result


def main():
    rng = random.Random(20240601)
    cases = [bridge_case(rng) if i % 2 == 0 else password_case(rng) for i in range(RUNS)]
    refused = sum(1 for _, expected in cases if expected is None)
    failures = []
    with ThreadPoolExecutor(max_workers=4) as pool:
        for ok, args, expected, result in pool.map(run_case, cases):
            if not ok:
                failures.append((args, expected, result))
    for args, expected, result in failures[:3]:
        print(f"FAIL: {args!r}\n  exit {result.returncode}, stderr {result.stderr!r}\n"
              f"  got      {result.stdout!r}\n  expected {expected!r}", file=sys.stderr)
    if failures:
        print(f"FAIL: {len(failures)} of {RUNS} dry runs differ", file=sys.stderr)
        return 1
    print(f"dry-run fuzz: {RUNS} runs ok ({refused} refused as the pages would)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
