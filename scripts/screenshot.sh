#!/usr/bin/env bash
# Runs tamsel under Xvfb in the virtual LAN with two simulated repeaters, drives it through
# a search and a Connect to the first repeater (tamsel_screenshots: the program itself with
# a driver that presses its buttons) and saves the screen at both points:
#   search.png   the search page listing the repeaters
#   summary.png  the status summary page that Connect filled from the repeater
#   wireless.png the wireless page with the networks its survey found
# Everything runs inside the LAN's namespaces; nothing is sent on the machine's own
# network.
#
# Usage: sudo scripts/screenshot.sh [OUTPUT_DIRECTORY]
#   default output directory: build/artefacts/screenshots
# Needs a build in build/ with the targets tamsel-sim and tamsel_screenshots
# (scripts/demo.sh makes them).
set -euo pipefail
cd "$(dirname "$0")/.."

driver=build/tests/gui-shell/tamsel_screenshots

if [[ ${1:-} == --inside ]]; then
    # Second stage, inside the PC namespace (see below).
    out=$2
    work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-shot.XXXXXX")
    xvfb=""
    cleanup() {
        if [[ -n $xvfb ]]; then
            kill "$xvfb" 2>/dev/null || true
            wait "$xvfb" 2>/dev/null || true
        fi
        rm -rf "$work"
    }
    trap cleanup EXIT
    # An X server of the window's size, on the first free display number.
    Xvfb -displayfd 1 -screen 0 700x500x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || { echo "screenshot.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    # The repeater that the drive connects to is remembered in the run's own folder.
    export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work \
        XDG_CONFIG_HOME=$work
    # Ends by itself once both pictures are saved (or with an error after 30 s).
    timeout 120 "$driver" "$out"
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "screenshot.sh: needs root for the virtual LAN's network namespaces" >&2
    exit 1
fi
for binary in build/tamsel-sim "$driver"; do
    if [[ ! -x $binary ]]; then
        echo "screenshot.sh: $binary is missing; run scripts/demo.sh (or build it) first" >&2
        exit 1
    fi
done
out=$(realpath -m "${1:-build/artefacts/screenshots}")
mkdir -p "$out"
exec scripts/vlan.sh --sim build/tamsel-sim \
    --repeater "192.168.1.1/24" --repeater "192.168.1.2/24 --user root --password demo" \
    run -- bash scripts/screenshot.sh --inside "$out"
