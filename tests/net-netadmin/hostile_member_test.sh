#!/usr/bin/env bash
# A member of the helper's group who talks to the network helper directly and tries every
# abuse that a group membership might seem to allow, in a private namespace LAN:
#
#   hostile_member_test.sh <tamsel-netadmin>
#
# The helper runs as a copy with the packaged rights (mode 0750, a group of its own, file
# capabilities) under an unused user id in that group, several at once, as several runs
# would. Every refusal is checked by what the kernel shows: routes to other destinations,
# another run's address and its lifetime, the number of temporary addresses.
#
# The LAN: the PC's eth0 (10.0.0.5/8, default route via 10.0.0.1) with the device
# 192.168.1.200 and a printer that owns 192.168.1.241; its eth1 leads to a "VPN" whose
# gateway 172.20.0.1 serves 192.168.0.0/16, and which 172.16.0.0/16 reaches on the link.
set -euo pipefail

source "$(dirname "$0")/../../scripts/netns-lib.sh"
source "$(dirname "$0")/temp-address-lib.sh"
start_member_test "hostile member" "$1"
expect_error() { [[ $2 == error* ]] || fail "$1 was not refused: '$2'"; }

member_lan
netns_add printer
netns_link printer lan eth0
ip -n "$(netns_name printer)" addr add 192.168.1.241/24 dev eth0
netns_bridge vpn
netns_link pc vpn eth1
pc ip addr add 172.20.0.5/24 dev eth1
pc ip route add 192.168.0.0/16 via 172.20.0.1 dev eth1
pc ip route add 172.16.0.0/16 dev eth1

valid_lifetime() {
    pc ip -j addr show | jq -r --arg a "$1" '.[] | .addr_info[] | select(.local == $a)
        | .valid_life_time'
}
OUTSIDE=(8.8.4.4 8.8.8.8 1.1.1.1 100.64.1.1 10.1.2.3 192.168.1.7 192.168.1.255 192.168.2.9
    172.16.5.200 172.16.5.7)
before=$(routes_to "${OUTSIDE[@]}")

start_run a
# The helper keeps CAP_NET_RAW permitted but not raised while it waits for requests.
capabilities=$(grep -E '^Cap(Prm|Eff):' "/proc/${PID[a]}/status" | awk '{print $2}' | tr '\n' ' ')
read -r permitted effective <<<"$capabilities"
(((0x$permitted & 0x3000) == 0x3000)) || fail "permitted capabilities $permitted"
(((0x$effective & 0x3000) == 0x1000)) || fail "effective capabilities $effective"
# Nobody reads its memory: it is not dumpable, which makes root the owner of its /proc
# files (and keeps the member's ptrace and core dumps away).
expect "owner of /proc/${PID[a]}/status" "$(stat -c %u "/proc/${PID[a]}/status")" 0

# Reroute the host's traffic: a public subnet, a subnet beyond its private network, the
# shared address space, the PC's own address.
expect_error "public subnet" "$(ask a "add $eth0 8.8.8.8/8 8.8.8.241")"
expect_error "oversized subnet" "$(ask a "add $eth0 192.168.1.200/8 192.168.1.241")"
expect_error "shared address space" "$(ask a "add $eth0 100.64.1.200/24 100.64.1.241")"
expect_error "the PC's own subnet" "$(ask a "add $eth0 10.0.0.5/8 10.0.0.241")"
expect "routes after the refusals" "$(routes_to "${OUTSIDE[@]}")" "$before"

# Take a neighbour's address: the printer answers the probe.
expect_error "the printer's address" "$(ask a "add $eth0 192.168.1.200/24 192.168.1.241")"
[[ -z $(temp_addresses) ]] || fail "added: $(temp_addresses)"

# Pull a subnet out of the VPN: the device alone leaves it.
expect "device inside the VPN's range" "$(ask a "add $eth0 192.168.1.200/24 192.168.1.242")" \
    "ok 192.168.1.242/32"
expect "routes with an address" "$(routes_to "${OUTSIDE[@]}")" "$before"
expect "route to the device" "$(routes_to 192.168.1.200)" "192.168.1.200 eth0 - 192.168.1.242 unicast"
expect_error "a second address in one run" "$(ask a "add $eth0 192.168.2.200/24 192.168.2.241")"

# Another run removes, renews or reuses the first one's address.
start_run b
lifetime=$(valid_lifetime 192.168.1.242)
expect_error "delete another run's address" "$(ask b "delete $eth0 192.168.1.242")"
expect_error "renew another run's address" "$(ask b "renew $eth0 192.168.1.242")"
expect_error "reuse another run's address" "$(ask b "add $eth0 192.168.1.200/24 192.168.1.242")"
# A device that the VPN reaches on its link stays on it.
answer=$(ask b "add $eth0 172.16.5.200/24 172.16.5.241")
[[ $answer == "error 172.16.5.200 is on the link of eth1"* ]] || fail "a device on the VPN's link: $answer"
expect "the first run's address" "$(temp_addresses)" "192.168.1.242/32"
(($(valid_lifetime 192.168.1.242) <= lifetime)) || fail "another run extended the lifetime"

# Hold more addresses than the host allows, from several runs.
expect b "$(ask b "add $eth0 192.168.2.200/24 192.168.2.241")" "ok 192.168.2.241/32"
start_run c
expect c "$(ask c "add $eth0 192.168.3.200/24 192.168.3.241")" "ok 192.168.3.241/32"
start_run d
expect d "$(ask d "add $eth0 192.168.4.200/24 192.168.4.241")" "ok 192.168.4.241/32"
start_run e
expect_error "a fifth address" "$(ask e "add $eth0 192.168.5.200/24 192.168.5.241")"
expect "four addresses" "$(temp_addresses)" \
    "192.168.1.242/32 192.168.2.241/32 192.168.3.241/32 192.168.4.241/32"

# Kill runs and keep their addresses alive: a killed run's address is nobody's to renew,
# and a left-over that the next run removes (it no longer counts against the limit).
kill_run b
lifetime=$(valid_lifetime 192.168.2.241)
expect_error "renew a killed run's address" "$(ask c "renew $eth0 192.168.2.241")"
(($(valid_lifetime 192.168.2.241) <= lifetime)) || fail "a killed run's address was renewed"
expect e "$(ask e "add $eth0 192.168.5.200/24 192.168.5.241")" "ok 192.168.5.241/32"
expect "the killed run's address went" "$(temp_addresses)" \
    "192.168.1.242/32 192.168.3.241/32 192.168.4.241/32 192.168.5.241/32"
kill_run d
expect "left over until someone removes it" "$(ask c "delete $eth0 192.168.4.241")" ok

# ARP from an address the interface does not hold, or off its subnets; then floods.
expect_error "ARP from a foreign address" "$(ask a "arp $eth0 192.168.1.200 192.168.1.1")"
expect_error "ARP off the LAN" "$(ask a "arp $eth0 8.8.8.8 10.0.0.5")"
expect_error "flush off the LAN" "$(ask a "flush $eth0 8.8.8.8")"
# A flood waits its turn: of 40 ARP requests and 20 flushes sent at once, no more are
# answered within two seconds than the budget of the run's place (24 requests and 8
# flushes, then 2 and 1 a second) allows; a cancel ends the waits of the rest.
flood() {
    local count=$1 request=$2 most=$3 before after
    before=$(answered a)
    for ((i = 0; i < count; i++)); do
        send a "$request"
    done
    sleep 2
    after=$(answered a)
    ((after - before <= most)) || fail "$count at once, $((after - before)) answered in 2 s"
    kill -USR1 "${PID[a]}"
    all_answered() { (($(answered a) == before + count)); }
    busywait 15000 all_answered || fail "the cancel did not end the waits"
    expect resume "$(ask a resume)" ok
}
flood 40 "arp $eth0 192.168.1.242 192.168.1.242" 30
flood 20 "flush $eth0 192.168.1.200" 12

# Every run that ends takes its address along; nothing else changed.
for name in a c e; do
    eval "exec ${FD[$name]}>&-"
    wait "${PID[$name]}" || fail "$name failed"
done
RUNS=()
[[ -z $(temp_addresses) ]] || fail "left behind: $(temp_addresses)"
expect "routes at the end" "$(routes_to "${OUTSIDE[@]}")" "$before"
echo "PASS [hostile member]"
