#!/usr/bin/env bash
# A member of the helper's group who drives the network helper directly, against the real
# kernel in a private namespace LAN, in the situations where the host's routing, other
# runs or the helper's own resources might bend the rules:
#
#   member_cases.sh <tamsel-netadmin> full-tunnel|on-link|stopped-run|probe-fails|many-helpers
#
# full-tunnel   wg-quick's policy rules and a default route in table 51820 over a veth
#               "tunnel", then through a second router on the LAN: the device alone leaves
#               that route, its subnet stays with it.
# on-link       a device on a second LAN of the PC, and the PC's own gateway: no address
#               on another adapter, none where the adapter has one in the device's subnet;
#               the device of a wider subnet on the same adapter gets its own route there.
# stopped-run   a run stopped (SIGSTOP) with a request pending while its address goes, as
#               when its lifetime runs out: nobody else takes the address over until it has
#               learnt that it is gone, so its renew or delete can never meet another's.
# probe-fails   the member lowers the helper's RLIMIT_NOFILE so that the probe's sockets
#               cannot be opened: a probe that could not be made adds nothing.
# many-helpers  more helpers than the host has places for ARP: the rest are refused until a
#               place comes free.
#
# The helper runs as a copy with the packaged rights (mode 0750, a group of its own, file
# capabilities) under an unused user id in that group. The PC's eth0 has 10.0.0.5/8 and a
# default route via 10.0.0.1 on a LAN with the device 192.168.1.200/24.
set -euo pipefail

CASE=$2
source "$(dirname "$0")/../../scripts/netns-lib.sh"
source "$(dirname "$0")/temp-address-lib.sh"
start_member_test "$CASE" "$1"
# The answer is a refusal whose reason holds $3.
expect_refusal() { [[ $2 == "error "*"$3"* ]] || fail "$1: expected a refusal for '$3', got '$2'"; }
member_lan

case $CASE in
full-tunnel)
    # wg-quick's full tunnel: everything without the tunnel's mark looks up table 51820,
    # whose default route leads into the tunnel; main only where it has a route more
    # specific than its default.
    netns_bridge tunnel
    netns_link pc tunnel wgx
    pc ip addr add 172.30.0.2/32 dev wgx
    pc ip route add default dev wgx table 51820
    pc ip rule add not fwmark 51820 table 51820
    pc ip rule add table main suppress_prefixlength 0
    WATCHED=(192.168.1.6 192.168.1.255 192.168.2.9 8.8.8.8 10.1.2.3)
    before=$(routes_to "${WATCHED[@]}")
    [[ $before == "192.168.1.6 wgx "* ]] || fail "the tunnel does not carry the subnet: $before"
    start_run a
    expect add "$(ask a "add $eth0 192.168.1.200/24 192.168.1.241")" "ok 192.168.1.241/32"
    expect "route to the device" "$(routes_to 192.168.1.200)" \
        "192.168.1.200 eth0 - 192.168.1.241 unicast"
    expect "routes to the rest" "$(routes_to "${WATCHED[@]}")" "$before"

    # The same rules with the table's default route through a second router on eth0: the
    # lookup for a device of 192.168.2.0/24 leaves by the adapter the address goes on, but
    # not by main's default route, and the rest of that subnet stays behind the router.
    pc ip route replace default via 10.0.0.254 dev eth0 table 51820
    before=$(routes_to "${WATCHED[@]}")
    [[ $before == *"192.168.2.9 eth0 10.0.0.254 "* ]] || fail "no router carries it: $before"
    start_run b
    expect add "$(ask b "add $eth0 192.168.2.200/24 192.168.2.241")" "ok 192.168.2.241/32"
    expect "routes to the rest" "$(routes_to "${WATCHED[@]}")" "$before"
    ;;

on-link)
    # A second LAN of the PC, whose DNS server 10.77.0.53 a member would like to point
    # elsewhere, and the PC's own gateway 10.0.0.1, whose /24 holds eth0's 10.0.0.5.
    netns_bridge lan2
    netns_link pc lan2 lan2
    pc ip addr add 10.77.0.5/24 dev lan2
    lan2=$(pc ip -j link show lan2 | jq '.[0].ifindex')
    WATCHED=(10.77.0.53 10.0.0.1 10.0.0.7 192.168.1.7 192.168.1.200 8.8.8.8)
    before=$(routes_to "${WATCHED[@]}")
    start_run a
    expect_refusal "a device on another LAN" \
        "$(ask a "add $eth0 10.77.0.53/24 10.77.0.241")" "10.77.0.53 is on the link of lan2"
    expect_refusal "the PC's own gateway" \
        "$(ask a "add $eth0 10.0.0.1/24 10.0.0.241")" "eth0 reaches 10.0.0.1 from 10.0.0.5"
    expect_refusal "the same device on lan2's adapter" \
        "$(ask a "add $lan2 10.77.0.53/24 10.77.0.241")" "lan2 reaches 10.77.0.53 from 10.77.0.5"
    [[ -z $(temp_addresses) ]] || fail "added: $(temp_addresses)"
    expect "routes after the refusals" "$(routes_to "${WATCHED[@]}")" "$before"

    # A wider subnet on the device's link: 192.168.0.5/16 on lan2 reaches 192.168.1.0/24
    # on that link, but has no address under the device's /24. There, and only there, the
    # device gets an address, and the rest of its subnet stays where it was.
    pc ip addr add 192.168.0.5/16 dev lan2
    before=$(routes_to 192.168.1.7 192.168.1.255 10.77.0.53)
    expect_refusal "another adapter than the device's link" \
        "$(ask a "add $eth0 192.168.1.200/24 192.168.1.241")" "on the link of lan2"
    expect add "$(ask a "add $lan2 192.168.1.200/24 192.168.1.241")" "ok 192.168.1.241/32"
    expect "route to the device" "$(routes_to 192.168.1.200)" \
        "192.168.1.200 lan2 - 192.168.1.241 unicast"
    expect "routes to the rest" "$(routes_to 192.168.1.7 192.168.1.255 10.77.0.53)" "$before"
    ;;

stopped-run)
    # Run a holds 192.168.1.241 and is stopped with a request pending; its address goes
    # meanwhile. Run b may neither add that address nor remove it until a has learnt,
    # from its pending request, that it is gone.
    start_run a
    start_run b
    for request in "renew $eth0 192.168.1.241" "delete $eth0 192.168.1.241"; do
        expect add "$(ask a "add $eth0 192.168.1.200/24 192.168.1.241")" "ok 192.168.1.241/32"
        kill -STOP "${PID[a]}"
        count=$(answered a)
        send a "$request"
        pc ip addr del 192.168.1.241/32 dev eth0
        expect_refusal "b adds it while a is stopped ($request)" \
            "$(ask b "add $eth0 192.168.1.200/24 192.168.1.241")" "reserved by another run"
        expect_refusal "b removes it while a is stopped ($request)" \
            "$(ask b "delete $eth0 192.168.1.241")" "reserved by another run"
        kill -CONT "${PID[a]}"
        done_answering() { (($(answered a) > count)); }
        busywait 15000 done_answering || fail "a did not answer '$request'"
        [[ $(tail -n1 "$WORK/a.out") == error* ]] || fail "a: $(tail -n1 "$WORK/a.out")"
        echo "a, stopped across the change, answered $(tail -n1 "$WORK/a.out")"
        [[ -z $(temp_addresses) ]] || fail "a's '$request' left $(temp_addresses)"
    done
    # Once a knows, the address is free for b, and a cannot touch b's.
    expect add "$(ask b "add $eth0 192.168.1.200/24 192.168.1.241")" "ok 192.168.1.241/32"
    expect_refusal "a renews b's address" "$(ask a "renew $eth0 192.168.1.241")" "not this run's"
    expect_refusal "a removes b's address" "$(ask a "delete $eth0 192.168.1.241")" "reserved"
    owner=$(pc ip -j addr show dev eth0 | jq -r '.[0].addr_info[]
        | select(.local == "192.168.1.241") | .metric')
    expect "the owner of b's address" "$owner" "${PID[b]}"
    ;;

probe-fails)
    # A printer holds 192.168.1.241 and answers every probe for it. With fewer and fewer
    # descriptors the helper cannot open what a probe needs; whatever it answers, it never
    # adds the printer's address.
    netns_add printer
    netns_link printer lan eth0
    ip -n "$(netns_name printer)" addr add 192.168.1.241/24 dev eth0
    probe_failed=0
    for limit in 3 4 5 6 7 8 9 10; do
        name=limit$limit
        start_run "$name"
        "${AS_MEMBER[@]}" prlimit --pid "${PID[$name]}" --nofile="$limit:$limit"
        answer=$(ask "$name" "add $eth0 192.168.1.200/24 192.168.1.241")
        [[ $answer == error* ]] || fail "with $limit descriptors: $answer"
        [[ $answer == *"address probe for 192.168.1.241 on eth0 failed"* ]] &&
            probe_failed=$((probe_failed + 1))
        echo "$limit descriptors: $answer"
        kill_run "$name"
        [[ -z $(temp_addresses) ]] || fail "with $limit descriptors: added $(temp_addresses)"
    done
    ((probe_failed > 0)) || fail "no limit made the probe fail"
    ;;

many-helpers)
    # Six helpers of the member, each asking for ARP (for the PC's own address, which
    # sends nothing): the host's four places go to the first four, the others are refused
    # until one of those ends.
    for name in a b c d e f; do
        start_run "$name"
    done
    for name in a b c d; do
        [[ $(ask "$name" "arp $eth0 10.0.0.5 10.0.0.5") == "ok "* ]] || fail "$name: no place"
    done
    for name in e f; do
        expect_refusal "$name's ARP" "$(ask "$name" "arp $eth0 10.0.0.5 10.0.0.5")" \
            "all 4 places"
        expect_refusal "$name's flush" "$(ask "$name" "flush $eth0 10.0.0.9")" "all 4 places"
        expect_refusal "$name's probe" "$(ask "$name" "add $eth0 192.168.1.200/24 192.168.1.241")" \
            "all 4 places"
    done
    kill_run b
    [[ $(ask e "arp $eth0 10.0.0.5 10.0.0.5") == "ok "* ]] || fail "e: no place after b ended"
    expect_refusal "f's ARP" "$(ask f "arp $eth0 10.0.0.5 10.0.0.5")" "all 4 places"
    ;;

*)
    fail "unknown case"
    ;;
esac
echo "PASS [$CASE]"
