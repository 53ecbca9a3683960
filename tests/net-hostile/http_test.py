"""tamselctl against hostile web servers, on device time 20 times faster than real time
(the 18 s response limit takes 0.9 s). The PC sits on 10.0.0.10/24 and every repeater on
192.168.1.0/24, so each run also adds and removes a temporary address.

Repeaters, in vlan.sh order:
 1 --endless-body                          headers, the page, then text as fast as read
 2 --huge-page 50                          a well-formed page of 50 MiB
 3 --survey-bomb 1000000                   apCount 300, 1 MB of text, </font>
 4 --nul-bytes 3000                        zero bytes in the status line and every page
 5 --slow-ms 50 --chunk-bytes 1            one byte per second of device time
 6 --endless-body --slow-ms 20 --chunk-bytes 4096
                                           an endless trickle that stays below the size
                                           bound until the response limit
 7 --escape-values                         terminal control sequences in every value
 8 --huge-page 2                           a big page that is still well below the bound

Required of every run: it ends by itself, with a documented exit status, within 64 MiB of
peak memory, without raw control characters in its output, and without a temporary
address left behind. Beyond that:
 - an answer larger than the bound (about 4 MiB) fails the command with a message;
 - an answer cut short by the response limit fails it as a network failure (exit 3);
 - a survey page that announces 300 networks and has none lists rows, and does not crash;
 - control characters in device values are shown escaped; --json stays strict JSON.
"""

from hostile import EXIT_NETWORK, EXIT_OK, EXIT_REFUSED, Suite, repeater, strict_json

LOGIN = ["--password", "admin"]
# The oversized answers run on device time only 5 times faster (a 3.6 s response limit),
# so that a reader without a bound has the time to go far past it before the limit ends
# the command, and its memory shows it.
OVERSIZE_SCALE = 5
TOO_LARGE = {EXIT_NETWORK, EXIT_REFUSED}
VERSION = "1.3.07 (Jun 14 2011)"


def oversized(suite, name, r):
    for command in ("status", "survey"):
        case = f"{name} {command}"
        m = suite.run(case, [command, r.ip, *LOGIN], expect=TOO_LARGE, scale=OVERSIZE_SCALE)
        suite.check_message(case, m)


def cut_by_the_limit(suite, name, r):
    for command in ("status", "survey"):
        case = f"{name} {command}"
        m = suite.run(case, [command, r.ip, *LOGIN], expect={EXIT_NETWORK})
        suite.check_message(case, m)
        suite.check(case, m.out == b"", f"a failed command printed a result: {m.out[:300]!r}")


def survey_bomb(suite, r):
    suite.run("survey bomb", ["survey", r.ip, *LOGIN], expect={EXIT_OK})
    m = suite.run("survey bomb --json", ["survey", r.ip, *LOGIN, "--json"], expect={EXIT_OK})
    if m.code == EXIT_OK:
        rows = strict_json(m.out)
        if suite.check("survey bomb --json", isinstance(rows, list), "output is not a JSON list"):
            print(f"  survey bomb lists {len(rows)} rows")
            suite.check("survey bomb --json", len(rows) <= 299,
                        f"{len(rows)} rows from an apCount of 300")


def nul_bytes(suite, r):
    suite.run("nul bytes status", ["status", r.ip, *LOGIN])
    for command in ("status", "survey"):
        case = f"nul bytes {command} --json"
        m = suite.run(case, [command, r.ip, *LOGIN, "--json"])
        if m.code == EXIT_OK:
            suite.check(case, strict_json(m.out) is not None, f"not strict JSON: {m.out[:300]!r}")


def escaped_values(suite, r):
    m = suite.run("escapes status", ["status", r.ip, *LOGIN], expect={EXIT_OK})
    suite.check("escapes status", b"owned" in m.out and VERSION.encode() in m.out,
                f"the values are not shown: {m.out!r}")

    m = suite.run("escapes status --json", ["status", r.ip, *LOGIN, "--json"], expect={EXIT_OK})
    status = strict_json(m.out)
    if suite.check("escapes status --json", isinstance(status, dict),
                   f"not strict JSON: {m.out[:400]!r}"):
        for key in ("firmwareVersion", "mode", "security", "gateway"):
            suite.check("escapes status --json", "owned" in status.get(key, ""),
                        f"{key} lost the device's text: {status.get(key)!r}")
        # JSON escaping keeps the device's text: the escape character is still in it.
        version = status.get("firmwareVersion", "")
        suite.check("escapes status --json", version.startswith(VERSION) and "\x1b" in version,
                    f"firmwareVersion {version!r}")

    m = suite.run("escapes survey", ["survey", r.ip, *LOGIN], expect={EXIT_OK})
    suite.check("escapes survey", b"HomeNet" in m.out and b"owned" in m.out,
                f"the networks are not shown: {m.out!r}")
    m = suite.run("escapes survey --json", ["survey", r.ip, *LOGIN, "--json"], expect={EXIT_OK})
    networks = strict_json(m.out)
    if suite.check("escapes survey --json", isinstance(networks, list) and len(networks) == 4,
                   f"not a strict JSON list of four networks: {m.out[:400]!r}"):
        suite.check("escapes survey --json",
                    networks[0]["ssid"].startswith("HomeNet") and "owned" in networks[0]["ssid"],
                    f"first network {networks[0]!r}")

    # Without a password the discovery answer decides: its model text is not ours, and
    # the refusal quotes it.
    m = suite.run("escapes status via discovery", ["status", r.ip], expect={EXIT_REFUSED})
    suite.check("escapes status via discovery", "KV-Q3150Tx" in m.err_text,
                f"the refusal does not name the model: {m.err_text!r}")


def big_but_fine(suite, r):
    m = suite.run("2 MiB page status --json", ["status", r.ip, *LOGIN, "--json"],
                  expect={EXIT_OK})
    status = strict_json(m.out)
    suite.check("2 MiB page status --json",
                isinstance(status, dict) and status.get("firmwareVersion") == VERSION and
                status.get("lanIp") == r.ip, f"values {m.out[:400]!r}")
    m = suite.run("2 MiB page survey --json", ["survey", r.ip, *LOGIN, "--json"],
                  expect={EXIT_OK})
    networks = strict_json(m.out)
    suite.check("2 MiB page survey --json", isinstance(networks, list) and len(networks) == 4,
                f"networks {m.out[:400]!r}")


if __name__ == "__main__":
    suite = Suite("hostile web servers")
    endless, huge, bomb, nul, slow, trickle, escapes, big = (repeater(n) for n in range(1, 9))
    big_but_fine(suite, big)
    oversized(suite, "endless body", endless)
    oversized(suite, "50 MiB page", huge)
    survey_bomb(suite, bomb)
    nul_bytes(suite, nul)
    cut_by_the_limit(suite, "one byte per second", slow)
    cut_by_the_limit(suite, "endless trickle", trickle)
    escaped_values(suite, escapes)
    suite.finish()
