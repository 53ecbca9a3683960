"""tamselctl status and survey against simulated repeaters: the values the pages carry,
JSON output, refused and missing logins, and a dry run that writes exactly the bytes
the real run puts on the wire. Repeater 2 has the password "secret"."""

import json

from cliutil import (EXIT_CREDENTIALS, EXIT_NETWORK, EXIT_OK, LOGIN_TEXT, check, last_seq,
                     repeater, request_line, requests_since, same_bytes, tamselctl)
from simnet import auth, exchange, get_request, read_survey_page

STATUS_KEYS = ["macAddress", "firmwareVersion", "lanIp", "lanMask", "dhcpServer", "mode",
               "security", "wanIp", "ssid", "wanMask", "gateway", "dns1", "dns2"]


def check_status(r):
    status = json.loads(tamselctl("status", r.ip, "--json").expect(EXIT_OK).text)
    check(list(status) == STATUS_KEYS, f"fields {list(status)}")
    check(status["macAddress"] == r.mac and status["lanIp"] == r.ip and
          status["lanMask"] == r.mask, f"LAN values {status}")
    check(status["firmwareVersion"] == "1.3.07 (Jun 14 2011)", f"version {status}")
    check(status["dhcpServer"] == "Enabled" and status["mode"] == "AP", f"values {status}")

    text = tamselctl("status", r.ip).expect(EXIT_OK).text
    check("Firmware Version:" in text and "1.3.07 (Jun 14 2011)" in text, text)
    check(len(text.splitlines()) == 13, f"not thirteen lines:\n{text}")


def check_survey(r):
    page = exchange(r.ip, get_request("/wlsurvey2.asp", r.ip, auth(), referer=False)).text()
    rows = read_survey_page(page)
    check(len(rows) >= 4, f"the simulator lists {len(rows)} networks")
    listed = json.loads(tamselctl("survey", r.ip, "--json").expect(EXIT_OK).text)
    check(len(listed) == len(rows), f"{len(listed)} networks against {len(rows)}")
    for network, row in zip(listed, rows):
        check([network[k] for k in ("channel", "ssid", "bssid", "signal", "mode")] ==
              [row[0], row[1], row[2], row[5], row[6]], f"{network} against {row}")
    check({n["keyword"] for n in listed} >= {"NONE", "WEP", "TKIP", "AES"},
          f"security kinds {[n['keyword'] for n in listed]}")
    text = tamselctl("survey", r.ip).expect(EXIT_OK).text
    check(all(row[1] in text for row in rows), text)


def check_dry_run_matches_wire(r, command, names):
    login = ["--password", "admin"]
    seq = last_seq(r.log)
    tamselctl(command, r.ip, *login).expect(EXIT_OK)
    sent = requests_since(r.log, seq)
    check([request_line(p).split()[1] for p in sent] == names,
          f"{command} sent {[request_line(p) for p in sent]}")
    dry = tamselctl(command, r.ip, *login, "--dry-run").expect(EXIT_OK)
    same_bytes(dry.out, b"".join(sent), f"{command} --dry-run against the wire")
    check(last_seq(r.log) == seq + len(sent), "the dry run reached the device")


def check_logins(r):
    # Discovery supplies the password; a wrong one given by hand is refused by the device.
    tamselctl("status", r.ip).expect(EXIT_OK)
    wrong = tamselctl("status", r.ip, "--password", "admin").expect(EXIT_CREDENTIALS)
    check(LOGIN_TEXT in wrong.err, wrong.err)
    tamselctl("survey", r.ip, "--user", "admin", "--password", "secret").expect(EXIT_OK)


if __name__ == "__main__":
    r1, r2 = repeater(1), repeater(2)
    check_status(r1)
    check_survey(r1)
    check_dry_run_matches_wire(r1, "status", ["/qmv4t2_02_02_02_homenet.asp",
                                              "/qmv4t2_02_02_01_int.asp",
                                              "/qmv4t2_02_00_00_status.asp"])
    check_dry_run_matches_wire(r1, "survey", ["/wlsurvey2.asp"])
    check_logins(r2)
    missing = tamselctl("status", "192.168.1.77").expect(EXIT_NETWORK)
    check("192.168.1.77" in missing.err, missing.err)
    print("read: ok")
