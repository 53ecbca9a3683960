#!/usr/bin/env bash
# Runs tamsel under Xvfb in the virtual LAN with two simulated repeaters and saves a PNG
# of its window once the search has ended. Everything runs inside the LAN's namespaces;
# nothing is sent on the machine's own network.
#
# Usage: sudo scripts/screenshot.sh [OUTPUT.png]
#   default output: build/artefacts/tamsel-demo.png
# Needs a build in build/ with the targets tamsel, tamsel-sim and tamsel_screengrab
# (scripts/demo.sh makes them).
set -euo pipefail
cd "$(dirname "$0")/.."

# Seconds tamsel runs before the picture is taken: the search ends after about three.
settle_seconds=6

if [[ ${1:-} == --inside ]]; then
    # Second stage, inside the PC namespace (see below).
    out=$2
    work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-shot.XXXXXX")
    pids=()
    # tamsel first, then its X server, so that it never sees the display vanish.
    cleanup() {
        local i
        for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
            kill "${pids[i]}" 2>/dev/null || true
            wait "${pids[i]}" 2>/dev/null || true
        done
        rm -rf "$work"
    }
    trap cleanup EXIT
    # An X server of the window's size, on the first free display number.
    Xvfb -displayfd 1 -screen 0 700x500x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || { echo "screenshot.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$work
    build/tamsel &
    pids+=($!)
    sleep "$settle_seconds"
    kill -0 "${pids[1]}" 2>/dev/null || { echo "screenshot.sh: tamsel ended early" >&2; exit 1; }
    build/tests/gui-app/tamsel_screengrab "$out"
    echo "screenshot.sh: saved $out"
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "screenshot.sh: needs root for the virtual LAN's network namespaces" >&2
    exit 1
fi
for binary in build/tamsel build/tamsel-sim build/tests/gui-app/tamsel_screengrab; do
    if [[ ! -x $binary ]]; then
        echo "screenshot.sh: $binary is missing; run scripts/demo.sh (or build it) first" >&2
        exit 1
    fi
done
out=$(realpath -m "${1:-build/artefacts/tamsel-demo.png}")
mkdir -p "$(dirname "$out")"
exec scripts/vlan.sh --sim build/tamsel-sim \
    --repeater "192.168.1.1/24" --repeater "192.168.1.2/24 --user root --password demo" \
    run -- bash scripts/screenshot.sh --inside "$out"
