"""tamselctl discover finds every simulated repeater of the virtual LAN exactly once, as
text and as JSON. With --other-subnet the PC has no address in the repeaters' subnet:
a status read then needs a temporary host address, which must be gone when tamselctl
ends, also when it is interrupted; without the rights to add one (no capabilities, no
network helper), tamselctl says which are missing and what to do. The addresses found are
remembered for the shell's completion in $XDG_CACHE_HOME/tamsel/discovered."""

import json
import os
import signal
import subprocess
import sys
import time

from cliutil import (EXIT_NETWORK, EXIT_OK, TAMSELCTL, TIMEOUT_TEXT, Run, check, repeater,
                     retry_until, tamselctl, temporary_addresses)


def expected_devices():
    count = int(os.environ["VLAN_REPEATER_COUNT"])
    return {repeater(n).mac: repeater(n).ip for n in range(1, count + 1)}


def check_discovery():
    expected = expected_devices()
    listed = json.loads(tamselctl("discover", "--json").expect(EXIT_OK).text)
    macs = [d["mac"] for d in listed]
    check(sorted(macs) == sorted(expected), f"found {macs}, expected {sorted(expected)}")
    for device in listed:
        check(device["ip"] == expected[device["mac"]], f"wrong address in {device}")
        check(device["model"] == "KV-Q3150Tx" and device["mask"] == "255.255.255.0",
              f"wrong model or mask in {device}")

    text = tamselctl("discover").expect(EXIT_OK).text
    for mac in expected:
        check(text.count(mac) == 1, f"{mac} listed {text.count(mac)} times:\n{text}")
    check(f"{len(expected)} Ranveils Found !" in text, f"no count line:\n{text}")

    cache = os.path.join(os.environ["XDG_CACHE_HOME"], "tamsel", "discovered")
    with open(cache, encoding="ascii") as remembered:
        check(sorted(remembered.read().split()) == sorted(expected.values()),
              f"completion cache: {open(cache).read()!r}")


def check_temporary_address_is_removed():
    r = repeater(1)
    run = tamselctl("status", r.ip, "--json").expect(EXIT_OK)
    check(json.loads(run.text)["lanIp"] == r.ip, "status read from another subnet failed")
    check(not temporary_addresses(), f"left behind: {temporary_addresses()}")

    # Repeater 2 never answers: interrupt tamselctl while it waits for the device.
    silent = repeater(2)
    process = subprocess.Popen([TAMSELCTL, "survey", silent.ip, "--password", "admin"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    check(retry_until(30, temporary_addresses), "no temporary address while running")
    time.sleep(1)
    process.send_signal(signal.SIGINT)
    _, err = process.communicate(timeout=30)
    check(process.returncode == 128 + signal.SIGINT,
          f"interrupted run exited {process.returncode}: {err!r}")
    check(not temporary_addresses(), f"left behind after SIGINT: {temporary_addresses()}")


def check_missing_capabilities_are_named():
    r = repeater(1)
    args = ["status", r.ip, "--password", "admin"]
    # No helper where this build looks for it: one line names both and the remedies, in
    # place of the time-out, which would send the user looking at the repeater.
    environment = dict(os.environ, TAMSEL_NETADMIN="/nonexistent/tamsel-netadmin")
    completed = subprocess.run(["setpriv", "--bounding-set=-net_admin,-net_raw",
                                "--inh-caps=-net_admin,-net_raw", "--", TAMSELCTL, *args],
                               capture_output=True, timeout=120, env=environment)
    run = Run(args, completed).expect(EXIT_NETWORK)
    lines = [line for line in run.err.splitlines() if "cap_net_admin, cap_net_raw" in line]
    check(len(lines) == 1 and "/nonexistent/tamsel-netadmin" in lines[0] and "root" in
          lines[0] and TIMEOUT_TEXT not in run.err, run.err)


if __name__ == "__main__":
    check_discovery()
    if "--other-subnet" in sys.argv:
        check_missing_capabilities_are_named()
        check_temporary_address_is_removed()
    print("discover: ok")
