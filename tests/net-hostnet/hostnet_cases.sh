#!/usr/bin/env bash
# Host addressing cases on a private LAN of network namespaces:
#   hostnet_cases.sh <hostnet_driver> <case>
# The LAN is a bridge namespace; the "device" namespace holds 192.168.1.200/24 on it and
# its kernel answers ARP; the "pc" namespace runs the driver. Nothing leaves the
# namespaces made here, and all of them are deleted on exit.
set -euo pipefail

DRIVER=$1
CASE=$2
source "$(dirname "$0")/../../scripts/netns-lib.sh"
source "$(dirname "$0")/../net-netadmin/temp-address-lib.sh"
netns_lib_init

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; netns_cleanup' EXIT
DEVICE=192.168.1.200
MASK=255.255.255.0
# Most cases shorten the 10 s wait after adding an address; wider-mask keeps it.
SHORT=(--add-wait-ms 300)

fail() {
    echo "FAIL [$CASE]: $*" >&2
    exit 1
}

expect_eq() {
    [[ "$1" == "$2" ]] || fail "$3: expected '$2', got '$1'"
}

pc() { netns_exec pc "$@"; }

# For routes_to; temp_addresses is this script's own (interface and address).
IN_PC=(pc)

# A device namespace on bridge namespace $2 holding the device address.
add_device() {
    netns_add "$1"
    netns_link "$1" "$2" eth0
    ip -n "$(netns_name "$1")" addr add "$3/24" dev eth0
}

# The usual LAN: the PC's eth0 and the device on one bridge.
standard_lan() {
    netns_bridge lan
    add_device dev lan "$DEVICE"
    netns_add pc
    netns_link pc lan eth0
}

# "ifname address/prefix" for every address in the PC namespace that carries our label.
temp_addresses() {
    pc ip -j addr show | jq -r '.[] | .ifname as $i | .addr_info[]
        | select(.family == "inet" and ((.label // "") | endswith(":tmsl")))
        | "\($i) \(.local)/\(.prefixlen)"' | sort
}

no_temp_addresses() {
    [[ -z "$(temp_addresses)" ]]
}


# One field of one of the PC's addresses, as ip -j reports it.
address_field() {
    pc ip -j addr show dev "$1" |
        jq -r --arg a "$2" --arg f "$3" '.[0].addr_info[] | select(.local == $a) | .[$f]'
}

prepare() {
    pc "$DRIVER" prepare "$DEVICE" "$MASK" "$@" | sed -n 's/^result=//p'
}

# Starts the driver in hold mode in the background (not in a subshell: it keeps the
# driver's input open); its output goes to $WORK/out and the result to $RESULT.
start_holding() {
    mkfifo "$WORK/in"
    # A simple command, so that $! is the driver itself (ip netns exec execs it).
    ip netns exec "$(netns_name pc)" "$DRIVER" prepare "$DEVICE" "$MASK" "$@" --then hold \
        <"$WORK/in" >"$WORK/out" &
    HOLDER=$!
    exec 9>"$WORK/in"
    busywait 90000 grep -q '^ready' "$WORK/out" || fail "driver never got ready"
    RESULT=$(sed -n 's/^result=//p' "$WORK/out")
}

stop_holding() {
    echo remove >&9
    exec 9>&-
    wait "$HOLDER" || fail "driver failed"
}

case "$CASE" in
same-subnet)
    standard_lan
    pc ip addr add 192.168.1.5/24 dev eth0
    expect_eq "$(prepare)" "" "result"
    expect_eq "$(temp_addresses)" "" "temporary addresses"
    ;;

wider-mask)
    # The device's /24 lies inside the PC's /16 but the PC has no address in it. The
    # real 10-second wait after adding the address runs here. The /16 serves the device's
    # subnet already: the device's route alone changes, and the address is a /32, which
    # brings no broadcast route for 192.168.1.255 either.
    standard_lan
    pc ip addr add 192.168.0.5/16 dev eth0
    before=$(routes_to 192.168.1.7 192.168.1.255 192.168.2.1 8.8.4.4)
    start_holding
    expect_eq "$RESULT" "192.168.1.241" "result"
    expect_eq "$(temp_addresses)" "eth0 192.168.1.241/32" "temporary addresses"
    expect_eq "$(routes_to 192.168.1.7 192.168.1.255 192.168.2.1 8.8.4.4)" "$before" \
        "routes to everything but the device"
    route=$(pc ip -j route get "$DEVICE" | jq -r '.[0] | "\(.dev) \(.prefsrc)"')
    expect_eq "$route" "eth0 192.168.1.241" "route to the device"
    expect_eq "$(address_field eth0 192.168.1.241 label)" "eth0:tmsl" "label"
    valid=$(address_field eth0 192.168.1.241 valid_life_time)
    preferred=$(address_field eth0 192.168.1.241 preferred_life_time)
    ((valid > 0 && valid <= 120)) || fail "valid lifetime $valid is not finite"
    ((preferred > 0 && preferred <= 120)) || fail "preferred lifetime $preferred"
    stop_holding
    grep -q '^removed=1' "$WORK/out" || fail "RemoveTempAddress removed nothing"
    expect_eq "$(temp_addresses)" "" "addresses after removal"
    ;;

default-route)
    # Only the default route leads to the device's private /24: that subnet goes on-link
    # from the temporary address, and nothing else changes.
    standard_lan
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    before=$(routes_to 192.168.2.1 192.168.0.255 10.1.2.3 8.8.4.4 172.16.0.1)
    start_holding "${SHORT[@]}"
    expect_eq "$RESULT" "192.168.1.241" "result"
    expect_eq "$(routes_to 192.168.2.1 192.168.0.255 10.1.2.3 8.8.4.4 172.16.0.1)" "$before" \
        "routes outside the device's subnet"
    # The device is now behind a subnet route that leaves from the temporary address.
    route=$(pc ip -j route get "$DEVICE" | jq -r '.[0] | "\(.dev) \(.prefsrc)"')
    expect_eq "$route" "eth0 192.168.1.241" "route to the device"
    pc ip -j route show 192.168.1.0/24 | jq -e 'length == 1' >/dev/null ||
        fail "no subnet route"
    stop_holding
    expect_eq "$(temp_addresses)" "" "addresses after removal"
    ;;

taken)
    standard_lan
    add_device other lan 192.168.1.241
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    start_holding "${SHORT[@]}"
    expect_eq "$RESULT" "192.168.1.242" "result"
    expect_eq "$(temp_addresses)" "eth0 192.168.1.242/32" "temporary addresses"
    stop_holding
    expect_eq "$(temp_addresses)" "" "addresses after removal"
    ;;

zero-adapter)
    # eth0 reaches the device but has no IPv4 address (0.0.0.0); eth1 reaches a second
    # device with the same address on another LAN. Only eth1 may get the address.
    netns_bridge lan
    netns_bridge lan2
    add_device dev lan "$DEVICE"
    add_device dev2 lan2 "$DEVICE"
    netns_add pc
    netns_link pc lan eth0
    netns_link pc lan2 eth1
    pc ip addr add 10.0.0.5/8 dev eth1
    pc ip route add default via 10.0.0.1 dev eth1
    eth0=$(pc ip -j link show eth0 | jq '.[0].ifindex')
    eth1=$(pc ip -j link show eth1 | jq '.[0].ifindex')
    ((eth0 < eth1)) || fail "eth0 must come first in the adapter list"
    start_holding "${SHORT[@]}"
    expect_eq "$RESULT" "192.168.1.241" "result"
    expect_eq "$(temp_addresses)" "eth1 192.168.1.241/32" "temporary addresses"
    stop_holding
    ;;

leftover)
    standard_lan
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    # A run that dies leaves its address; another from longer ago sits on another subnet.
    expect_eq "$(prepare "${SHORT[@]}" --lifetime 300 --then crash || true)" "192.168.1.241" \
        "crashed run"
    pc ip addr add 192.168.7.241/24 dev eth0 label eth0:tmsl valid_lft 300 preferred_lft 300
    expect_eq "$(temp_addresses | tr '\n' ' ')" "eth0 192.168.1.241/32 eth0 192.168.7.241/24 " \
        "left behind"
    # The next set-up removes both and adds its own (the shorter lifetime shows it is new).
    start_holding "${SHORT[@]}" --lifetime 60
    expect_eq "$RESULT" "192.168.1.241" "result"
    expect_eq "$(temp_addresses)" "eth0 192.168.1.241/32" "temporary addresses"
    valid=$(address_field eth0 192.168.1.241 valid_life_time)
    ((valid <= 60)) || fail "the crashed run's address was kept (valid_lft $valid)"
    stop_holding
    expect_eq "$(temp_addresses)" "" "addresses after removal"
    ;;

expire)
    # Nothing renews the address of a run that died: the kernel removes it by itself.
    standard_lan
    pc ip addr add 192.168.0.5/16 dev eth0
    expect_eq "$(prepare "${SHORT[@]}" --lifetime 3 --then crash || true)" "192.168.1.241" \
        "result"
    expect_eq "$(temp_addresses)" "eth0 192.168.1.241/32" "after the crash"
    pc ip -j route show 192.168.1.200 | jq -e 'length == 1' >/dev/null || fail "no device route"
    busywait 30000 no_temp_addresses || fail "the address never expired"
    # Its route went with it.
    pc ip -j route show 192.168.1.200 | jq -e 'length == 0' >/dev/null || fail "route left"
    ;;

renew-sigterm)
    standard_lan
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    start_holding "${SHORT[@]}" --lifetime 6 --renew-ms 500
    expect_eq "$RESULT" "192.168.1.241" "result"
    # Outlives its lifetime because the running program renews it.
    sleep 9
    expect_eq "$(temp_addresses)" "eth0 192.168.1.241/32" "after the first lifetime"
    kill -TERM "$HOLDER"
    status=0
    wait "$HOLDER" || status=$?
    expect_eq "$status" "143" "exit status"
    expect_eq "$(temp_addresses)" "" "addresses after SIGTERM"
    ;;

cancel)
    # A cancel ends the set-up's waits at once: first the real 10-second wait after adding
    # the address, then an ARP probe for the candidate that nobody answers and that would
    # otherwise wait ten minutes. timeout(1) only keeps a fault from hanging the test.
    standard_lan
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    for options in "--cancel-after-ms 500" \
        "--add-wait-ms 100 --arp-wait-ms 600000 --cancel-after-ms 800"; do
        # shellcheck disable=SC2086
        out=$(pc timeout 8 "$DRIVER" prepare "$DEVICE" "$MASK" $options) ||
            fail "the cancelled set-up ($options) did not end: $out"
        expect_eq "$(sed -n 's/^result=//p' <<<"$out")" "unreachable" "result ($options)"
        echo "cancelled set-up ($options) ended after $(sed -n 's/^elapsed_ms=//p' <<<"$out") ms"
        expect_eq "$(temp_addresses)" "" "temporary addresses ($options)"
    done
    ;;

nocaps)
    standard_lan
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    drop=(setpriv --bounding-set=-net_admin,-net_raw)
    expect_eq "$(pc "${drop[@]}" "$DRIVER" caps)" "missing=cap_net_admin cap_net_raw " "caps"
    result=$(pc "${drop[@]}" "$DRIVER" prepare "$DEVICE" "$MASK" "${SHORT[@]}" |
        sed -n 's/^result=//p')
    expect_eq "$result" "unreachable" "result without privileges"
    expect_eq "$(temp_addresses)" "" "temporary addresses"
    ;;

*)
    fail "unknown case"
    ;;
esac
echo "PASS [$CASE]"
