"""Reboots of one simulated repeater (started with --reboot-seconds 3 and a non-default
password): a pending LAN change applies at the restart, the device is off the network
while it restarts, and factory defaults come back at the following restart.
"""

import subprocess

from simnet import (auth, check, connection_refused, discovery_search, event, exchange,
                    get_request, last_seq, parse_reply, post_request, read_lan_page,
                    read_status_page, repeater, wait_for_frame)

LAN = "/qmv4t2_02_02_02_homenet.asp"
REBOOT_BODY = b"reset_flag=0&submit-url=%2Fqmv4t2_03_03_reset.asp"


def lan_page(ip, credentials):
    ex = exchange(ip, get_request(LAN, ip, credentials))
    check(ex.status == 200, f"LAN page at {ip}: status {ex.status}")
    return read_lan_page(ex.text())


def interface_addresses(r):
    out = subprocess.run(["ip", "-n", r.ns, "-o", "-4", "addr", "show", "dev", "eth0"],
                         capture_output=True, text=True, check=True).stdout
    return [line.split()[3] for line in out.splitlines()]


def reboot(ip, credentials, r):
    seq = last_seq(r.log)
    ex = exchange(ip, post_request("/goform/formReboot", "/qmv4t2_03_03_reset.asp", REBOOT_BODY, ip,
                                   credentials))
    check(ex.status == 200 and ex.closed, f"reboot answer {ex.status}")
    wait_for_frame(r.log, event("down"), after_seq=seq)
    # Down: no listener and no discovery answers until the "up" event.
    check(connection_refused(ip), "device still accepts connections while restarting")
    check(ip not in discovery_search(wait=0.5), "device answers searches while restarting")
    return wait_for_frame(r.log, event("up"), after_seq=seq)


if __name__ == "__main__":
    r = repeater(1)
    credentials = auth("admin", "pw")
    body = (b"ip=192.168.1.50&mask=255.255.255.0&dhcp=0&dhcpRangeStart=192.168.1.100"
            b"&dhcpRangeEnd=192.168.1.200&submit-url=%2Fqmv4t2_01_03_00_homenet.asp")
    ex = exchange(r.ip, post_request("/goform/formTcpipSetup", "/qmv4t2_01_03_00_homenet.asp", body,
                                     r.ip, credentials))
    check(ex.status == 200 and ex.closed, f"LAN form answer {ex.status}")
    check(read_status_page(ex.text()) == "1.3.07 (Jun 14 2011)", "LAN form answer lacks the status")
    check(lan_page(r.ip, credentials)["ip"] == r.ip, "LAN change applied before the restart")

    up = reboot(r.ip, credentials, r)
    check(up.attrs["ip"] == "192.168.1.50" and up.attrs["address-change"] == "yes",
          f"came up as {up.attrs}")
    check(interface_addresses(r) == ["192.168.1.50/24"], f"interface has {interface_addresses(r)}")
    lan = lan_page("192.168.1.50", credentials)
    check(lan["ip"] == "192.168.1.50" and lan["dhcp"] == "Disabled", f"LAN page reads {lan}")
    fields = parse_reply(discovery_search()["192.168.1.50"])
    check(fields["ip"] == "192.168.1.50", f"discovery reports {fields['ip']}")

    # Factory defaults (the start-up settings) are saved now and run after the next
    # restart; until then the password changed in between still counts.
    new = auth("admin", "changed")
    ex = exchange("192.168.1.50", post_request(
        "/goform/formPasswordSetup", "/qmv4t2_01_01_02_passset.asp",
        b"oldpass=pw&newpass=changed&confpass=changed&save=Apply", "192.168.1.50", credentials))
    check(ex.status == 200 and b"changed" in ex.body, "password change refused")
    ex = exchange("192.168.1.50", post_request("/goform/mp", "/goform/mp",
                                               b"command=COMMAND+flash+default&getID=",
                                               "192.168.1.50", new, after=b"\r\n"))
    check(ex.status == 200, "factory reset refused")
    check(lan_page("192.168.1.50", new)["ip"] == "192.168.1.50", "defaults applied before restart")
    up = reboot("192.168.1.50", new, r)
    check(up.attrs["ip"] == r.ip, f"factory defaults came up as {up.attrs}")
    check(interface_addresses(r) == [f"{r.ip}/24"], f"interface has {interface_addresses(r)}")
    lan = lan_page(r.ip, credentials)
    check(lan["dhcp"] == "Enabled", f"DHCP after factory defaults: {lan}")
    print("reboot: ok")
