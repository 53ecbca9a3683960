"""tamselctl upgrade with 8 MB images: an image in the device's format arrives byte for
byte (size and SHA-256 in the simulator's log), the device restarts and tamselctl reports
the version it then reads; a refused image ends with "Invalid file format!" and the
refusal exit code; the page's file checks refuse before anything is sent."""

import hashlib
import os
import tempfile

from cliutil import (EXIT_OK, EXIT_REFUSED, EXIT_USAGE, check, event, last_seq, repeater,
                     request_line, requests_since, same_bytes, tamselctl, wait_for_frame)
from simnet import firmware_image

IMAGE_BYTES = 8 * 1024 * 1024
VERSION = "2.0.1 (cli build)"


def write(directory, name, data):
    path = os.path.join(directory, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def check_file_rules(r, directory):
    seq = last_seq(r.log)
    for args, message in (([""], "Please enter a file."),
                          ([], "Please enter a file."),
                          ([os.path.join(directory, "missing.bin")], "Invalid file format!"),
                          ([directory], "Invalid file format!")):
        run = tamselctl("upgrade", r.ip, *args).expect(EXIT_USAGE, f"for {args}")
        check(message in run.err, f"{args}: {run.err}")
    check(not requests_since(r.log, seq), "a refused file was sent")


def check_accepted(r, directory):
    image = firmware_image(VERSION, os.urandom(IMAGE_BYTES - 40))
    path = write(directory, "good image.bin", image)
    seq = last_seq(r.log)
    run = tamselctl("upgrade", r.ip, path, "--wait", "150").expect(EXIT_OK)
    check(run.text == f"Firmware version: {VERSION}\n", f"reported {run.text!r}")
    check("] 100% " in run.err, f"no progress bar: {run.err}")

    upload = wait_for_frame(r.log, event("upload"), after_seq=seq)
    check(upload.attrs["accepted"] == "yes", f"upload logged as {upload.attrs}")
    check(int(upload.attrs["size"]) == len(image), f"size {upload.attrs['size']}")
    check(upload.attrs["sha256"] == hashlib.sha256(image).hexdigest(), "image hash differs")

    sent = requests_since(r.log, seq)
    check(request_line(sent[0]) == "POST /goform/formUpload HTTP/1.1", request_line(sent[0]))
    dry = tamselctl("upgrade", r.ip, path, "--password", "admin", "--dry-run").expect(EXIT_OK)
    same_bytes(sent[0], dry.out[:len(sent[0])], "upload against the dry run")


def check_refused(r, directory):
    path = write(directory, "bad.bin", b"MZ" + os.urandom(IMAGE_BYTES - 2))
    seq = last_seq(r.log)
    run = tamselctl("upgrade", r.ip, path).expect(EXIT_REFUSED)
    check("Invalid file format!" in run.err, run.err)
    upload = wait_for_frame(r.log, event("upload"), after_seq=seq)
    check(upload.attrs["accepted"] == "no", f"upload logged as {upload.attrs}")
    check(int(upload.attrs["size"]) == IMAGE_BYTES, f"size {upload.attrs['size']}")
    sent = [request_line(p) for p in requests_since(r.log, seq)]
    check(sent == ["POST /goform/formUpload HTTP/1.1"], f"a refused image was followed by {sent}")


if __name__ == "__main__":
    r = repeater(1)
    with tempfile.TemporaryDirectory() as directory:
        check_file_rules(r, directory)
        check_refused(r, directory)
        check_accepted(r, directory)
    print("upgrade: ok")
