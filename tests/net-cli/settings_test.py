"""tamselctl set-password, reset, set-ip and reboot against one simulated repeater: the
pages' input rules refuse bad input before anything is sent, a new password works and
the old one is refused, factory defaults come back after the reboot, and the device
answers at its new address after set-ip."""

import json

from cliutil import (EXIT_CREDENTIALS, EXIT_OK, EXIT_USAGE, LOGIN_TEXT, check, event, last_seq,
                     read_log, repeater, request_line, requests_since, same_bytes, tamselctl,
                     wait_until_up)

NEW_IP = "192.168.1.50"


def check_refused_before_sending(r, args, message, stdin=b""):
    seq = last_seq(r.log)
    run = tamselctl(*args, stdin=stdin).expect(EXIT_USAGE, f"for {message}")
    check(message in run.err, f"{args}: {run.err}")
    check(not requests_since(r.log, seq), f"{args} sent something")


def check_password_change(r):
    check_refused_before_sending(r, ["set-password", r.ip, "--old", "Admin", "--new", "x"],
                                 LOGIN_TEXT)
    check_refused_before_sending(r, ["set-password", r.ip], "Re-Enter Password Error!",
                                 stdin=b"admin\nnew one\nnew one \n")
    check_refused_before_sending(r, ["set-password", r.ip], "Re-Enter Password Error!",
                                 stdin=b"admin\n\n\n")
    check_refused_before_sending(r, ["set-password", r.ip, "--old", "admin", "--new", "n" * 31],
                                 "at most 30 characters")

    # Passwords piped in, as a script would: current, new, new again.
    seq = last_seq(r.log)
    new = "n3w p\u00e4ss"
    tamselctl("set-password", r.ip, stdin=f"admin\n{new}\n{new}\n".encode()).expect(EXIT_OK)
    check(any(event("password-changed")(f) for f in read_log(r.log) if f.seq > seq),
          "no password change logged")
    tamselctl("status", r.ip, "--password", new).expect(EXIT_OK)
    old = tamselctl("status", r.ip, "--password", "admin").expect(EXIT_CREDENTIALS)
    check(LOGIN_TEXT in old.err, old.err)
    # Discovery now reports the new password.
    tamselctl("survey", r.ip).expect(EXIT_OK)
    return new


def check_factory_reset(r, password):
    seq = last_seq(r.log)
    tamselctl("reset", r.ip, "--password", password).expect(EXIT_OK)
    sent = [request_line(p) for p in requests_since(r.log, seq)]
    check(sent == ["POST /goform/mp HTTP/1.1", "POST /goform/formReboot HTTP/1.1"], f"{sent}")
    wait_until_up(r, seq)
    tamselctl("status", r.ip, "--password", "admin").expect(EXIT_OK)


def check_new_address(r):
    for ip, mask, message in (("0.1.2.3", "255.255.255.0", "1st digit"),
                              ("224.0.0.1", "255.255.255.0", "1st digit"),
                              ("192.168.1.0", "255.255.255.0", "4th digit"),
                              ("192.168.1.255", "255.255.255.0", "4th digit"),
                              ("192.168.1.5", "255.0.255.0", "Invalid Subnet mask"),
                              ("192.168.1.5", "255.255.255.255", "Invalid Subnet mask")):
        check_refused_before_sending(r, ["set-ip", r.ip, "--ip", ip, "--mask", mask], message)

    args = ["set-ip", r.ip, "--ip", NEW_IP, "--mask", "255.255.255.0", "--dhcp", "off",
            "--password", "admin"]
    seq = last_seq(r.log)
    tamselctl(*args).expect(EXIT_OK)
    sent = requests_since(r.log, seq)
    check([request_line(p) for p in sent] ==
          ["POST /goform/formTcpipSetup HTTP/1.1", "POST /goform/formReboot HTTP/1.1"],
          f"{[request_line(p) for p in sent]}")
    same_bytes(b"".join(sent), tamselctl(*args, "--dry-run").expect(EXIT_OK).out,
               "set-ip against the dry run")
    wait_until_up(r, seq, ip=NEW_IP)

    status = json.loads(tamselctl("status", NEW_IP, "--json").expect(EXIT_OK).text)
    check(status["lanIp"] == NEW_IP and status["dhcpServer"] == "Disabled", f"{status}")


def check_reboot(r):
    seq = last_seq(r.log)
    run = tamselctl("reboot", NEW_IP).expect(EXIT_OK)
    check("rebooting" in run.err, run.err)
    down = [f for f in read_log(r.log) if f.seq > seq and event("down")(f)]
    check(down and down[0].attrs.get("reason") == "reboot", f"{[f.attrs for f in down]}")
    wait_until_up(r, seq, ip=NEW_IP)


if __name__ == "__main__":
    r = repeater(1)
    password = check_password_change(r)
    check_factory_reset(r, password)
    check_new_address(r)
    check_reboot(r)
    print("settings: ok")
