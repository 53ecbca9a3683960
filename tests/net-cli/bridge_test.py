"""tamselctl bridge: the survey supplies security and channel, the mode form goes right
before the station form, the device reboots and its interface page then shows the new
network, with all thirteen status fields filled. A dry run writes exactly the bytes of
the real run; keys the page would refuse send nothing."""

import json

from cliutil import (EXIT_OK, EXIT_USAGE, check, event, last_seq, read_log, repeater,
                     request_line, requests_since, same_bytes, tamselctl, wait_until_up)

UNCHECK = "POST /goform/formZelkora HTTP/1.1"
STATION = "POST /goform/formStaDrvSetup HTTP/1.1"
REBOOT = "POST /goform/formReboot HTTP/1.1"
SURVEY = "GET /wlsurvey2.asp HTTP/1.1"


def bridging_events(r, seq):
    return [f for f in read_log(r.log) if f.seq > seq and event("bridging")(f)]


def check_bridge_from_survey(r):
    key = "correct horse battery"
    seq = last_seq(r.log)
    run = tamselctl("bridge", r.ip, "--ssid", "HomeNet", "--key", key).expect(EXIT_OK)
    check("HomeNet" in run.err, run.err)
    sent = requests_since(r.log, seq)
    check([request_line(p) for p in sent] == [SURVEY, UNCHECK, STATION, REBOOT],
          f"sent {[request_line(p) for p in sent]}")
    # The survey said AES on channel 6: the same requests as a dry run given those.
    dry = tamselctl("bridge", r.ip, "--ssid", "HomeNet", "--key", key, "--security", "aes",
                    "--channel", "6", "--password", "admin", "--dry-run").expect(EXIT_OK)
    same_bytes(b"".join(sent[1:]), dry.out, "bridging requests against the dry run")
    done = bridging_events(r, seq)
    check(len(done) == 1 and done[0].attrs["ssid"] == "HomeNet" and
          done[0].attrs["channel"] == "6", f"bridging logged as {[f.attrs for f in done]}")
    wait_until_up(r, seq)

    status = json.loads(tamselctl("status", r.ip, "--json").expect(EXIT_OK).text)
    check(status["ssid"] == "HomeNet" and status["mode"] == "Repeater", f"status {status}")
    empty = [name for name, value in status.items() if not value]
    check(not empty, f"empty status fields after bridging: {empty}")


def check_bridge_with_given_security(r):
    args = ["bridge", r.ip, "--ssid", "Old & Router+", "--key", "A1B2C3D4E5",
            "--key-index", "3", "--security", "wep", "--channel", "11", "--password", "admin"]
    seq = last_seq(r.log)
    tamselctl(*args).expect(EXIT_OK)
    sent = requests_since(r.log, seq)
    check([request_line(p) for p in sent] == [UNCHECK, STATION, REBOOT],
          f"sent {[request_line(p) for p in sent]}")
    same_bytes(b"".join(sent), tamselctl(*args, "--dry-run").expect(EXIT_OK).out,
               "WEP bridging against the dry run")
    check(b"stadrv_ssid=Old+%26+Router%2B&" in sent[1] and b"stadrv_defaultkey=2&" in sent[1],
          f"station form {sent[1]!r}")
    done = bridging_events(r, seq)
    check(done and done[0].attrs["ssid"] == "Old%20&%20Router+" and
          done[0].attrs["key"] == "A1B2C3D4E5", f"bridging logged as {[f.attrs for f in done]}")
    wait_until_up(r, seq)


def check_refusals(r):
    seq = last_seq(r.log)
    short = tamselctl("bridge", r.ip, "--ssid", "Office WPA", "--key", "short").expect(EXIT_USAGE)
    check("The Key can be entered as 8 or 63 ASCII characters" in short.err, short.err)
    wep = tamselctl("bridge", r.ip, "--ssid", "OldRouter", "--key", "12345678").expect(EXIT_USAGE)
    check("5 or 13 ASCII characters" in wep.err, wep.err)
    tamselctl("bridge", r.ip, "--ssid", "Nowhere", "--key", "12345678").expect(EXIT_USAGE)
    sent = [request_line(p) for p in requests_since(r.log, seq)]
    check(sent == [SURVEY] * 3, f"refused bridging sent {sent}")


if __name__ == "__main__":
    r = repeater(1)
    check_refusals(r)
    check_bridge_with_given_security(r)
    check_bridge_from_survey(r)
    print("bridge: ok")
