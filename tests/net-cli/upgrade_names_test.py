"""tamselctl upgrade with image files whose names are not ASCII: the name is handed to
open() as the bytes it was given as, so a UTF-8 name and one that is no UTF-8 at all
upload like any other (the simulator logs the image's size and hash), instead of being
refused as an invalid file before anything is sent. Device time runs ten times faster
(TAMSEL_TIME_SCALE) for the wait after the upload."""

import hashlib
import os
import tempfile

from cliutil import (EXIT_OK, EXIT_REFUSED, check, event, last_seq, repeater, tamselctl,
                     wait_for_frame)
from simnet import firmware_image

VERSION = "2.0.2 (name test)"


def write(directory, name, data):
    path = os.path.join(os.fsencode(directory), name)
    with open(path, "wb") as f:
        f.write(data)
    # As a command line carries it: the bytes, whatever they are.
    return os.fsdecode(path)


def uploaded(r, seq):
    upload = wait_for_frame(r.log, event("upload"), after_seq=seq)
    return upload.attrs


if __name__ == "__main__":
    os.environ["TAMSEL_TIME_SCALE"] = "10"
    r = repeater(1)
    with tempfile.TemporaryDirectory() as directory:
        refused = b"MZ" + os.urandom(64 * 1024)
        path = write(directory, "fw_\u00e9.bin".encode(), refused)
        seq = last_seq(r.log)
        run = tamselctl("upgrade", r.ip, path).expect(EXIT_REFUSED, "for the UTF-8 name")
        attrs = uploaded(r, seq)
        check(attrs["accepted"] == "no" and int(attrs["size"]) == len(refused),
              f"UTF-8 name: upload logged as {attrs}")

        image = firmware_image(VERSION, os.urandom(64 * 1024))
        path = write(directory, b"fw_\xff\xfe image.bin", image)
        seq = last_seq(r.log)
        run = tamselctl("upgrade", r.ip, path).expect(EXIT_OK, "for a name that is no UTF-8")
        check(run.text == f"Firmware version: {VERSION}\n", f"reported {run.text!r}")
        attrs = uploaded(r, seq)
        check(attrs["accepted"] == "yes" and
              attrs["sha256"] == hashlib.sha256(image).hexdigest(),
              f"name that is no UTF-8: upload logged as {attrs}")
    print("upgrade names: ok")
