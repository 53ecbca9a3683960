"""Firmware uploads of 8 MB to one simulated repeater (started with --upgrade-seconds 1).

An image with the device's header is accepted, streamed (the simulator's memory stays far
below the image size) and becomes the running version after the upgrade's own restart;
anything else is refused with "Invalid file format!".
"""

import os

from simnet import (auth, check, connection_refused, event, exchange, firmware_image, get_request,
                    read_log, read_status_page, repeater, sha256, upload_request, wait_for_frame,
                    last_seq)

STATUS = "/qmv4t2_02_00_00_status.asp"
IMAGE_BYTES = 8 * 1024 * 1024


def peak_memory_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def firmware_version(r):
    return read_status_page(exchange(r.ip, get_request(STATUS, r.ip, auth())).text())


def refused_image(r, image, why):
    seq = last_seq(r.log)
    ex = exchange(r.ip, upload_request(image, r.ip, auth()), idle_timeout=20)
    check(ex.status == 200 and ex.closed, f"{why}: answer {ex.status}")
    check(b"Invalid file format!" in ex.body, f"{why}: not refused")
    frame = wait_for_frame(r.log, event("upload"), after_seq=seq)
    check(frame.attrs["accepted"] == "no", f"{why}: logged as {frame.attrs}")
    check(int(frame.attrs["size"]) == len(image), f"{why}: size logged as {frame.attrs['size']}")


def accepted_image(r, baseline):
    payload = os.urandom(IMAGE_BYTES - 40)
    # Delimiter look-alikes inside the image must not end the file part early.
    payload = payload[:1000] + b"\r\n-----------------------------7d9222c1903" + payload[1041:]
    image = firmware_image("2.0.1 (test build)", payload)
    request = upload_request(image, r.ip, auth())
    seq = last_seq(r.log)
    ex = exchange(r.ip, request, idle_timeout=20)
    check(ex.status == 200 and ex.closed, f"upload answer {ex.status}")
    check(b"Invalid file format!" not in ex.body, "valid image refused")

    frame = wait_for_frame(r.log, event("upload"), after_seq=seq)
    check(frame.attrs["accepted"] == "yes", f"upload logged as {frame.attrs}")
    check(int(frame.attrs["size"]) == len(image), "image size differs")
    check(frame.attrs["sha256"] == sha256(image), "image hash differs")
    logged = [f for f in read_log(r.log) if f.kind == "REQUEST" and f.seq > seq]
    check(sha256(b"".join(f.payload for f in logged)) == sha256(request),
          "logged request differs from the bytes sent")
    growth = peak_memory_kib(r.pid) - baseline
    check(growth < IMAGE_BYTES // 1024 // 2, f"simulator grew by {growth} KiB for an 8 MiB upload")

    # The upgrade restarts the device by itself and the new version runs afterwards.
    wait_for_frame(r.log, event("down"), after_seq=seq)
    up = wait_for_frame(r.log, event("up"), after_seq=seq)
    check(up.attrs["firmware"] == "2.0.1%20(test%20build)", f"came up with {up.attrs}")
    check(not connection_refused(r.ip), "listener not back after the upgrade")
    check(firmware_version(r) == "2.0.1 (test build)", "status page shows the old version")


if __name__ == "__main__":
    r = repeater(1)
    check(firmware_version(r) == "1.3.07 (Jun 14 2011)", "unexpected initial version")
    baseline = peak_memory_kib(r.pid)
    # What the utility sends when it could not read the file: a run of '?'.
    refused_image(r, b"?" * IMAGE_BYTES, "placeholder image")
    refused_image(r, b"TMSLFW02" + b"\0" * 32 + b"x" * 100, "wrong magic")
    refused_image(r, b"TMSLFW01", "header cut short")
    accepted_image(r, baseline)
    print("upload: ok")
