#!/usr/bin/env bash
# What software centres and desktops read: the desktop entry, the AppStream metadata and
# the icons drawn at build time, plus the man pages help2man wrote.
#   validate_test.sh <source dir> <build dir>
set -euo pipefail

SOURCE=$1
BUILD=$2
fail() {
    echo "FAIL [validate]: $*" >&2
    exit 1
}

desktop-file-validate "$SOURCE/data/com.zelkora.tamsel.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$BUILD/com.zelkora.tamsel.metainfo.xml" ||
    fail "AppStream metadata"

python3 - "$BUILD/icons" "$SOURCE/resources/art/skin.json" <<'PYTHON' || fail "icons"
import json, struct, sys
icons, skin = sys.argv[1], sys.argv[2]
for size in json.load(open(skin))["icon"]["sizes"]:
    with open(f"{icons}/tamsel-{size}.png", "rb") as png:
        header = png.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", size
    assert struct.unpack(">II", header[16:24]) == (size, size), (size, header[16:24])
svg = open(f"{icons}/tamsel.svg").read()
assert "<svg" in svg and 'viewBox="0 0 256 256"' in svg, svg[:200]
PYTHON

for program in tamsel tamselctl tamsel-sim; do
    page=$BUILD/man/$program.1
    [[ -s $page ]] || fail "no man page for $program"
    grep -q '^\.SH SYNOPSIS\|^\.SH DESCRIPTION' "$page" || fail "$page has no description"
done
grep -q 'set\\-password' "$BUILD/man/tamselctl.1" || fail "tamselctl.1 lacks the commands"
grep -q 'discover \[\\-\\-address' "$BUILD/man/tamselctl.1" || fail "tamselctl.1 lacks discover --address"
echo "PASS [validate]"
