#!/usr/bin/env bash
# The network helper on its own, run as root in a private namespace LAN (its rules do not
# depend on who runs it; tests/net-netadmin/hostile_member_test.sh runs it as a member):
#   helper_cases.sh <tamsel-netadmin> refusals|lifecycle
# refusals: every request its rules forbid gets "error ...", and the PC's addresses, routes
#           and neighbour entries stay exactly as they were.
# lifecycle: an address it added carries our label, a finite lifetime and the helper as its
#           owner, with one route from it; a cancel holds until "resume", also one that
#           comes before the request it is meant for; the address and its route go when the
#           helper's input closes (the program that started it ended, however).
set -euo pipefail

HELPER=$1
CASE=$2
source "$(dirname "$0")/../../scripts/netns-lib.sh"
netns_lib_init
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; netns_cleanup' EXIT

fail() {
    echo "FAIL [$CASE]: $*" >&2
    exit 1
}

pc() { netns_exec pc "$@"; }

netns_bridge lan
netns_add dev
netns_link dev lan eth0
ip -n "$(netns_name dev)" addr add 192.168.1.200/24 dev eth0
netns_add pc
netns_link pc lan eth0
pc ip addr add 10.0.0.5/8 dev eth0
# The user's own address in the range of ours, without our label (and without its subnet
# route, so that the device's subnet is reached by nothing else).
pc ip addr add 192.168.1.243/24 dev eth0 noprefixroute
pc ip neigh replace 10.0.0.9 lladdr 02:00:00:00:00:09 dev eth0 nud reachable
eth0=$(pc ip -j link show eth0 | jq '.[0].ifindex')
lo=$(pc ip -j link show lo | jq '.[0].ifindex')

# IPv4 only: the helper touches nothing else, and IPv6 settles by itself meanwhile.
state() {
    pc ip -4 -j addr show | jq -c '[.[] | {ifname, addr_info: ([.addr_info[]
        | {local: .local, prefixlen: .prefixlen, label: .label}])}]' &&
        pc ip -j neigh show | jq -c '[.[] | select(.dst == "10.0.0.9")]' &&
        pc ip -4 -j route show table all | jq -c 'sort_by(.dst)'
}

# Sends the lines of $WORK/requests to a fresh helper; its answers land in $WORK/answers.
ask() {
    pc "$HELPER" <"$WORK/requests" >"$WORK/answers"
}

case "$CASE" in
refusals)
    cat >"$WORK/requests" <<REQUESTS
add $eth0 192.168.1.200/24 192.168.1.240
add $eth0 192.168.1.200/24 192.168.1.248
add $eth0 192.168.1.200/24 192.168.2.241
add $eth0 192.168.1.200/24 192.168.1.243
add $eth0 8.8.8.8/8 8.8.8.241
add $eth0 192.168.1.200/8 192.168.1.241
add $eth0 100.64.1.200/24 100.64.1.241
add $eth0 10.0.0.5/8 10.0.0.241
add 999 192.168.1.200/24 192.168.1.241
add $lo 127.0.0.200/24 127.0.0.241
add $lo 192.168.1.200/24 192.168.1.241
renew $eth0 192.168.1.243
delete $eth0 192.168.1.243
delete $eth0 10.0.0.5
delete 999 192.168.1.243
flush 999 10.0.0.9
flush $lo 127.0.0.1
flush $eth0 8.8.8.8
arp $eth0 192.168.1.200 192.168.1.1
arp $eth0 8.8.8.8 10.0.0.5
arp 999 192.168.1.200 0.0.0.0
add eth0 192.168.1.200/24 192.168.1.241
add $eth0 192.168.1.241/24 60
add $eth0 192.168.1.200/24 192.168.1.241 please
$(printf 'resume %0200d' 0)
ip addr flush dev eth0

REQUESTS
    before=$(state)
    ask
    head -n1 "$WORK/answers" | grep -qx 'ready 3' || fail "no greeting: $(cat "$WORK/answers")"
    requests=$(wc -l <"$WORK/requests")
    answers=$(tail -n +2 "$WORK/answers")
    [[ $(wc -l <<<"$answers") -eq $requests ]] ||
        fail "$requests requests, answers: $answers"
    if grep -v '^error ' <<<"$answers"; then
        fail "a forbidden request was not refused"
    fi
    grep -q "241-247" <<<"$answers" || fail "the reason does not name the range: $answers"
    grep -q "private network" <<<"$answers" || fail "no reason names the private networks"
    [[ $(state) == "$before" ]] || fail "the PC changed: $before -> $(state)"
    ;;

lifecycle)
    mkfifo "$WORK/in"
    # A simple command, so that $! is the helper itself (ip netns exec execs it).
    ip netns exec "$(netns_name pc)" "$HELPER" <"$WORK/in" >"$WORK/answers" &
    helper=$!
    exec 9>"$WORK/in"
    answers() { wc -l <"$WORK/answers"; }
    # Sends a request and waits for its answer, the last line.
    request() {
        local count
        count=$(answers)
        echo "$1" >&9
        has_more() { (($(answers) > count)); }
        busywait 15000 has_more || fail "no answer to '$1': $(cat "$WORK/answers")"
        tail -n1 "$WORK/answers"
    }
    busywait 5000 grep -qx 'ready 3' "$WORK/answers" || fail "no greeting"
    expect() { [[ $2 == "$3" ]] || fail "$1: expected '$3', got '$2'"; }

    expect add "$(request "add $eth0 192.168.1.200/24 192.168.1.241")" "ok 192.168.1.241/32"
    info=$(pc ip -j addr show dev eth0 | jq -r '.[0].addr_info[] | select(.local == "192.168.1.241")
        | "\(.label) \(.valid_life_time) \(.metric) \(.noprefixroute)"')
    read -r label lifetime owner noprefixroute <<<"$info"
    expect label "$label" eth0:tmsl
    ((lifetime > 0 && lifetime <= 120)) || fail "lifetime '$lifetime'"
    expect owner "$owner" "$helper"
    expect noprefixroute "$noprefixroute" true
    # No route led to the device (not even a default one): it alone goes on-link, from
    # the temporary address, and the rest of its subnet stays unreachable.
    route=$(pc ip -j route show 192.168.1.200 | jq -r '.[0] | "\(.dev) \(.prefsrc)"')
    expect route "$route" "eth0 192.168.1.241"
    pc ip -j route show 192.168.1.0/24 | jq -e 'length == 0' >/dev/null ||
        fail "the subnet moved: $(pc ip route show 192.168.1.0/24)"
    device_mac=$(ip -n "$(netns_name dev)" -j link show eth0 | jq -r '.[0].address')
    expect arp "$(request "arp $eth0 192.168.1.200 192.168.1.241")" "ok $device_mac"

    # A cancel that comes before its request still holds: the request does not wait for
    # the device, although it would answer, and neither does the next, until "resume".
    kill -USR1 "$helper"
    expect "arp after the cancel" "$(request "arp $eth0 192.168.1.200 192.168.1.241")" none
    expect "flush while cancelled" "$(request "flush $eth0 192.168.1.200")" ok
    expect "arp while cancelled" "$(request "arp $eth0 192.168.1.200 192.168.1.241")" none
    expect resume "$(request resume)" ok
    expect "arp after resume" "$(request "arp $eth0 192.168.1.200 192.168.1.241")" "ok $device_mac"

    # A cancel cuts an unanswered ARP request short, and the helper goes on serving.
    count=$(answers)
    echo "arp $eth0 192.168.1.99 192.168.1.241" >&9
    sleep 0.3
    kill -USR1 "$helper"
    cut_short() { (($(answers) > count)); }
    busywait 10000 cut_short || fail "answers: $(cat "$WORK/answers")"
    expect "cut short" "$(tail -n1 "$WORK/answers")" none
    expect resume "$(request resume)" ok

    exec 9>&-
    wait "$helper" || fail "the helper failed"
    gone() { ! pc ip -j addr show dev eth0 | jq -e '.[0].addr_info[] | select(.local == "192.168.1.241")' >/dev/null; }
    gone || fail "the address outlived the helper's input"
    pc ip -j route show 192.168.1.200 | jq -e 'length == 0' >/dev/null ||
        fail "the route outlived the address"
    pc ip -j addr show dev eth0 | jq -e '.[0].addr_info[] | select(.local == "192.168.1.243")' \
        >/dev/null || fail "the user's own address went as well"
    ;;

*)
    fail "unknown case"
    ;;
esac
echo "PASS [$CASE]"
