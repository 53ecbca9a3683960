"""tamselctl apply against one simulated repeater (192.168.1.1, password admin): refused
input names its field and sends nothing; a wrong password exits 4 and changes nothing;
--check and --diff only read; a real apply changes password, wireless and firmware in that
order; a second apply of the same state only reads (no upload of a version that is there
already); and a new LAN address is found again and read back there."""

import json
import os
import tempfile

from applyutil import (EXIT_CREDENTIALS, EXIT_OK, EXIT_USAGE, apply, changes_since, check,
                       last_seq, only_reads, read_log, repeater, request_lines_since, tamselctl,
                       wait_until_up)

NEW_IP = "192.168.1.50"
READS = ["GET /qmv4t2_02_02_02_homenet.asp HTTP/1.1", "GET /qmv4t2_02_02_01_int.asp HTTP/1.1",
         "GET /qmv4t2_02_00_00_status.asp HTTP/1.1"]


def firmware_file(work, version):
    path = os.path.join(work, f"firmware-{version}.bin")
    with open(path, "wb") as f:
        f.write(b"TMSLFW01" + version.encode().ljust(32, b"\0") + os.urandom(4096))
    return path


def check_refused_input(r, work):
    image = firmware_file(work, "2.0.0")
    cases = [
        ({"lan": {"ip": "192.168.1.5", "mask": "255.0.255.0"}}, "lan.mask"),
        ({"wireless": {"ssid": "HomeNet", "security": "aes", "key": "short"}}, "wireless.key"),
        ({"firmware": {"version": "2.0.0", "image": "/nonexistent.bin"}}, "firmware.image"),
        ({"firmware": {"version": "2.0.0"}}, "firmware.image"),
        ({"firmware": {"image": image}}, "firmware.version"),
        ({"wireless": {"sssid": "HomeNet"}}, "wireless.sssid"),
        (b'{"password": "hunter2', "input"),
    ]
    for state, field in cases:
        seq = last_seq(r.log)
        run, result = apply(r.ip, state)
        run.expect(EXIT_USAGE, f"for {state}")
        check(result["failed"]["step"] == "input" and result["failed"]["exit_status"] == 2,
              f"{state}: {result}")
        check(result["failed"]["reason"].startswith(field + ":"), f"{state}: {result}")
        check(field in run.err and len(run.err.strip().splitlines()) == 1, run.err)
        check(result["changed"] is False and result["steps"] == [], f"{result}")
        # Nothing at all reached the repeater: no request, not even a search.
        check(last_seq(r.log) == seq, f"{state}: the repeater heard something")
        check("hunter2" not in run.text + run.err, "a secret in the output")
    # A key that a terminal would act on is named escaped on standard error.
    run, result = apply(r.ip, {"\x1b[2Jlan": {}})
    run.expect(EXIT_USAGE)
    check(result["failed"]["reason"].startswith("\x1b[2Jlan:"), f"{result}")
    check("\x1b" not in run.err and "\\e[2Jlan: " in run.err, f"{run.err!r}")


def check_wrong_password(r):
    seq = last_seq(r.log)
    run, result = apply(r.ip, {"password": "n3w-pass", "lan": {"dhcp": False}},
                        "--password", "wrong")
    run.expect(EXIT_CREDENTIALS)
    check(result["failed"]["step"] == "read" and result["failed"]["exit_status"] == 4,
          f"{result}")
    check(result["changed"] is False, f"{result}")
    check(only_reads(request_lines_since(r, seq)), f"{request_lines_since(r, seq)}")
    check(not changes_since(r, seq), f"changed: {changes_since(r, seq)}")


def desired(image):
    return {"password": "n3w-pass",
            "wireless": {"ssid": "HomeNet", "security": "aes", "key": "passphrase1"},
            "firmware": {"version": "2.0.0", "image": image}}


def check_check_and_diff(r, image):
    seq = last_seq(r.log)
    run, result = apply(r.ip, desired(image), "--check", "--diff")
    run.expect(EXIT_OK)
    check(result["check"] is True and result["changed"] is True, f"{result}")
    check(result["steps"] == [{"step": s, "result": "would change"}
                              for s in ("password", "wireless", "firmware")], f"{result}")
    check(request_lines_since(r, seq) == READS, f"{request_lines_since(r, seq)}")
    check(not changes_since(r, seq), "--check changed something")
    diff = result["diff"]
    check(diff["before"]["password"] == "(set)" and diff["after"]["password"] == "(changed)",
          f"{diff}")
    check(diff["after"]["wireless"] == {"ssid": "HomeNet", "security": "aes", "key": "(changed)"},
          f"{diff}")
    check(diff["before"]["wireless"]["ssid"] == "" and
          diff["before"]["firmware"]["version"] == "1.3.07 (Jun 14 2011)", f"{diff}")
    for secret in ("n3w-pass", "passphrase1", "admin"):
        check(secret not in run.text + run.err, f"{secret} in the output")


def check_apply_twice(r, image):
    seq = last_seq(r.log)
    run, result = apply(r.ip, desired(image))
    run.expect(EXIT_OK)
    check(result["changed"] is True and result["failed"] is None, f"{result}")
    check(result["steps"] == [{"step": s, "result": "changed"}
                              for s in ("password", "wireless", "firmware")], f"{result}")
    posts = [line for line in request_lines_since(r, seq) if line.startswith("POST")]
    # The upgrade's REBOOT follows the upload as the firmware page sends it; a repeater
    # that restarts by itself after taking the image may not be listening for it.
    reboot = "POST /goform/formReboot HTTP/1.1"
    check(posts[:5] == ["POST /goform/formPasswordSetup HTTP/1.1",
                        "POST /goform/formZelkora HTTP/1.1",
                        "POST /goform/formStaDrvSetup HTTP/1.1", reboot,
                        "POST /goform/formUpload HTTP/1.1"] and posts[5:] in ([], [reboot]),
          f"{posts}")
    check(changes_since(r, seq) == ["password-changed", "repeater-off", "bridging", "upload"],
          f"{changes_since(r, seq)}")

    # The same state again: the repeater has it, so only its pages are read (the firmware
    # it runs now is that version: no upload), and nothing is written.
    seq = last_seq(r.log)
    run, result = apply(r.ip, desired(image))
    run.expect(EXIT_OK)
    check(result["changed"] is False and result["steps"] == [] and result["failed"] is None,
          f"{result}")
    check(request_lines_since(r, seq) == READS, f"{request_lines_since(r, seq)}")
    check(not changes_since(r, seq), f"{changes_since(r, seq)}")


def check_address_change(r):
    seq = last_seq(r.log)
    run, result = apply(r.ip, {"lan": {"ip": NEW_IP, "mask": "255.255.255.0", "dhcp": False}},
                        "--diff")
    run.expect(EXIT_OK)
    check(result["address"] == r.ip and result["final_address"] == NEW_IP, f"{result}")
    check(result["steps"] == [{"step": "lan", "result": "changed"}], f"{result}")
    check(result["diff"]["before"]["lan"] == {"ip": r.ip, "mask": "255.255.255.0", "dhcp": True},
          f"{result}")
    wait_until_up(r, seq, ip=NEW_IP)
    # Read back at the new address: its pages asked for after the change, from there.
    frames = [f for f in read_log(r.log) if f.seq > seq]
    saved = next(f.seq for f in frames if f.attrs.get("what") == "lan-saved")
    after = [f.payload for f in frames if f.kind == "REQUEST" and f.seq > saved]
    check(any(p.startswith(b"GET /qmv4t2_02_02_02_homenet.asp") and
              b"Host: " + NEW_IP.encode() in p for p in after), "not read back at the new address")
    again = tamselctl("status", NEW_IP, "--json", "--password", "n3w-pass").expect(EXIT_OK)
    status = json.loads(again.text)
    check(status["lanIp"] == NEW_IP and status["dhcpServer"] == "Disabled", f"{status}")


if __name__ == "__main__":
    r = repeater(1)
    with tempfile.TemporaryDirectory() as work:
        image = firmware_file(work, "2.0.0")
        check_refused_input(r, work)
        check_wrong_password(r)
        check_check_and_diff(r, image)
        check_apply_twice(r, image)
        check_address_change(r)
    print("apply: ok")
