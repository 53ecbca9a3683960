#!/usr/bin/env bash
# The main job: installs what is missing, builds Tamsel, builds a virtual LAN of Linux
# network namespaces with two simulated KV-Q3150Tx repeaters (192.168.1.1 and
# 192.168.1.2) and opens tamsel inside the LAN's PC namespace on your display. Nothing is
# sent on the machine's own network; the LAN is gone when tamsel closes.
#
# Usage: sudo scripts/demo.sh
#
# Root is needed for the packages and the namespaces. sudo keeps DISPLAY and XAUTHORITY;
# for a Wayland-only session keep its variables as well:
#   sudo --preserve-env=DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,XDG_RUNTIME_DIR scripts/demo.sh
# Without any display, tamsel runs under Xvfb instead, is driven through a search and a
# Connect, and screenshots of the search page and of the filled status summary page are
# saved (scripts/screenshot.sh); the script says where.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $(id -u) -ne 0 ]]; then
    echo "demo.sh: run it as root (sudo scripts/demo.sh): it installs packages and builds" \
        "network namespaces" >&2
    exit 1
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tamsel tamsel-sim tamsel_screenshots

screenshot() {
    local out=build/artefacts/screenshots
    scripts/screenshot.sh "$out"
    echo "demo.sh: no display to show tamsel on; its window after the search and after" \
        "Connect is saved as $(realpath "$out")/search.png, summary.png and wireless.png"
}

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
    screenshot
    exit 0
fi

# An X display under sudo: the user's authority file, when none was passed on.
if [[ -n ${DISPLAY:-} && -z ${XAUTHORITY:-} && -n ${SUDO_USER:-} ]]; then
    user_home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
    if [[ -r $user_home/.Xauthority ]]; then
        export XAUTHORITY=$user_home/.Xauthority
    fi
fi
# Qt wants a runtime directory of its own user; a passed-on one is kept for Wayland.
private_runtime=""
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    private_runtime=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-demo.XXXXXX")
    export XDG_RUNTIME_DIR=$private_runtime
fi
trap '[[ -z $private_runtime ]] || rm -rf "$private_runtime"' EXIT

# The display's variables, passed on into the namespace as they are (unset stays unset).
display_env=()
for name in DISPLAY XAUTHORITY WAYLAND_DISPLAY XDG_RUNTIME_DIR; do
    [[ -z ${!name:-} ]] || display_env+=("$name=${!name}")
done

echo "demo.sh: opening tamsel on the virtual LAN; close its window to end the demo" >&2
rc=0
scripts/vlan.sh --sim build/tamsel-sim \
    --repeater "192.168.1.1/24" --repeater "192.168.1.2/24 --user root --password demo" \
    run -- env "${display_env[@]}" build/tamsel || rc=$?
# Qt aborts when it cannot reach the display at all.
if ((rc == 134)); then
    echo "demo.sh: tamsel could not use the display" >&2
    screenshot
    rc=0
fi
exit $rc
