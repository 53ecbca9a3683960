"""The web pages and forms of one simulated repeater, as the set-up utility uses them.

Run by scripts/vlan.sh with one default repeater.
"""

from simnet import (answer_complete, auth, check, discovery_search, event, exchange,
                    get_request, parse_reply, post_request, read_interface_page, read_lan_page,
                    read_log, read_status_page, read_survey_page, repeater, wait_for_frame)

LAN = "/qmv4t2_02_02_02_homenet.asp"
WAN = "/qmv4t2_02_02_01_int.asp"
STATUS = "/qmv4t2_02_00_00_status.asp"
SURVEY = "/wlsurvey2.asp"


def expect_clean_answer(ex, status, what):
    check(ex.status == status, f"{what}: status {ex.status}, expected {status}")
    check(answer_complete(ex), f"{what}: body length differs from Content-Length")
    check(ex.closed and not ex.reset, f"{what}: connection not closed cleanly after the answer")


def authentication(r):
    for credentials, why in ((None, "no credentials"), (auth("admin", "wrong"), "wrong password"),
                             ("!!notbase64", "broken Base64")):
        ex = exchange(r.ip, get_request(LAN, r.ip, credentials))
        expect_clean_answer(ex, 401, why)
        check(ex.headers.get("www-authenticate", "").startswith("Basic realm="),
              f"{why}: no Basic challenge")
        # The utility takes any answer holding "HTTP" and "200" for a success.
        check(b"200" not in ex.data, f"{why}: the 401 answer contains '200'")


def pages(r):
    credentials = auth()
    ex = exchange(r.ip, get_request(LAN, r.ip, credentials))
    expect_clean_answer(ex, 200, "LAN page")
    lan = read_lan_page(ex.text())
    check(lan == {"ip": r.ip, "mask": r.mask, "dhcp": "Enabled", "mac": r.mac},
          f"LAN page reads {lan}")

    ex = exchange(r.ip, get_request(WAN, r.ip, credentials))
    expect_clean_answer(ex, 200, "interface page")
    wan = read_interface_page(ex.text())
    check(wan["ip"] == "0.0.0.0" and wan["mode"] == "AP" and wan["security"] == "Disabled",
          f"interface page of an unbridged device reads {wan}")

    ex = exchange(r.ip, get_request(STATUS, r.ip, credentials))
    expect_clean_answer(ex, 200, "status page")
    check(read_status_page(ex.text()) == "1.3.07 (Jun 14 2011)", "firmware version")

    ex = exchange(r.ip, get_request(SURVEY, r.ip, credentials, referer=False))
    expect_clean_answer(ex, 200, "survey page")
    rows = read_survey_page(ex.text())
    check([row[1] for row in rows] == ["HomeNet", "Office WPA", "OldRouter", "Cafe Guest"],
          f"survey lists {rows}")
    check(rows[2] == ["11", "OldRouter", "00:0f:66:aa:bb:cc", "WEP", " ", "41", "AP"],
          f"WEP row reads {rows[2]}")

    ex = exchange(r.ip, get_request("/no_such_page.asp", r.ip, credentials))
    expect_clean_answer(ex, 404, "unknown page")


def raw_log_and_segments(r):
    # A request dribbled out in 7-byte TCP segments is answered like a whole one, and the
    # log holds exactly the bytes sent.
    request = get_request(STATUS, r.ip, auth())
    before = max((f.seq for f in read_log(r.log)), default=0)
    ex = exchange(r.ip, request, segment=7)
    expect_clean_answer(ex, 200, "segmented request")
    frames = [f for f in read_log(r.log) if f.kind == "REQUEST" and f.seq > before]
    check(len(frames) == 1, f"{len(frames)} log frames for one request")
    check(frames[0].payload == request, "logged bytes differ from the request")
    check(frames[0].attrs["complete"] == "yes", "request not logged as complete")


def password_change(r):
    body = (b"oldpass=wrong&newpass=n+ew%26pw&confpass=n+ew%26pw&save=Apply"
            b"&submit-url=%2Fqmv4t2_01_01_02_passset.asp")
    ex = exchange(r.ip, post_request("/goform/formPasswordSetup", "/qmv4t2_01_01_02_passset.asp",
                                     body, r.ip, auth()))
    expect_clean_answer(ex, 200, "password with a wrong old one")
    check(b"incorrect" in ex.body, "no error page for a wrong old password")
    check(exchange(r.ip, get_request(LAN, r.ip, auth())).status == 200, "password changed anyway")

    body = body.replace(b"oldpass=wrong", b"oldpass=admin")
    ex = exchange(r.ip, post_request("/goform/formPasswordSetup", "/qmv4t2_01_01_02_passset.asp",
                                     body, r.ip, auth()))
    expect_clean_answer(ex, 200, "password change")
    # "n+ew%26pw" is the form encoding of "n ew&pw"; it counts at once.
    check(exchange(r.ip, get_request(LAN, r.ip, auth())).status == 401, "old password still works")
    check(exchange(r.ip, get_request(LAN, r.ip, auth("admin", "n ew&pw"))).status == 200,
          "new password refused")
    fields = parse_reply(discovery_search()[r.ip])
    check(fields["password"] == "n ew&pw", f"discovery reports password {fields['password']!r}")


def bridging(r, credentials):
    ex = exchange(r.ip, post_request("/goform/formZelkora", "/index.asp", b"submit-url=%2Fwamode.asp",
                                     r.ip, credentials))
    expect_clean_answer(ex, 200, "repeater off")
    body = (b"stadrv_type=3&stadrv_ssid=Caf\xe9+%26+Co&stadrv_chan=6&stadrv_encrypttype=2"
            b"&stadrv_weplength=0&stadrv_defaultkey=0&key1=&stadrv_wepformat1=0&key2="
            b"&stadrv_wepformat2=0&key3=&stadrv_wepformat3=0&key4=&stadrv_wepformat4=0"
            b"&stadrv_wpacipher=1&stadrv_pskformat=0&stadrv_pskkey=secret+key"
            b"&submit-url=%2Fwanwisp.asp")
    request = post_request("/goform/formStaDrvSetup", "/wanwisp.asp", body, r.ip, credentials,
                           after=b"\r\n")
    ex = exchange(r.ip, request)
    expect_clean_answer(ex, 200, "bridging")
    wan = read_interface_page(exchange(r.ip, get_request(WAN, r.ip, credentials)).text())
    check(wan["ssid"] == "Café & Co" and wan["mode"] == "Repeater", f"bridged page reads {wan}")
    check(wan["security"] == "WPA2-PSK (AES)", f"security reads {wan['security']}")
    check(wan["ip"].startswith("192.168.100.") and wan["gw"] == "192.168.100.1",
          f"WAN side reads {wan}")
    frame = wait_for_frame(r.log, event("bridging"))
    check(frame.attrs["ssid"] == "Caf%E9%20&%20Co" and frame.attrs["key"] == "secret%20key",
          f"bridging logged as {frame.attrs}")


def factory_reset_trailing_bytes(r, credentials):
    # The reset command carries a CR LF after its 36 counted body bytes; the device still
    # closes cleanly (no reset from unread bytes) and the log keeps those bytes too.
    body = b"command=COMMAND+flash+default&getID="
    check(len(body) == 36, "body length")
    request = post_request("/goform/mp", "/goform/mp", body, r.ip, credentials, after=b"\r\n")
    before = max(f.seq for f in read_log(r.log))
    ex = exchange(r.ip, request)
    expect_clean_answer(ex, 200, "factory defaults")
    logged = b"".join(f.payload for f in read_log(r.log) if f.kind == "REQUEST" and f.seq > before)
    check(logged == request, "logged bytes differ from the request with its trailing CR LF")
    wait_for_frame(r.log, event("factory-defaults-saved"))


if __name__ == "__main__":
    r = repeater(1)
    authentication(r)
    pages(r)
    raw_log_and_segments(r)
    password_change(r)
    bridging(r, auth("admin", "n ew&pw"))
    factory_reset_trailing_bytes(r, auth("admin", "n ew&pw"))
    print("http: ok")
