#!/usr/bin/env bash
# The network helper on its own, run as root in a private namespace LAN (its rules do not
# depend on who runs it):
#   helper_cases.sh <tamsel-netadmin> refusals|lifecycle
# refusals: every request its rules forbid gets "error ...", and the PC's addresses and
#           neighbour entries stay exactly as they were.
# lifecycle: an address it added carries our label and a finite lifetime, a cancel cuts
#           an ARP wait short, and the address goes when the helper's input closes (the
#           program that started it ended, however).
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
# The user's own address in the range of ours, without our label.
pc ip addr add 192.168.1.243/24 dev eth0
pc ip neigh replace 10.0.0.9 lladdr 02:00:00:00:00:09 dev eth0 nud reachable
eth0=$(pc ip -j link show eth0 | jq '.[0].ifindex')
lo=$(pc ip -j link show lo | jq '.[0].ifindex')

state() {
    pc ip -j addr show | jq -c '[.[] | {ifname, addr_info: ([.addr_info[]
        | {local: .local, prefixlen: .prefixlen, label: .label}])}]' &&
        pc ip -j neigh show | jq -c '[.[] | select(.dst == "10.0.0.9")]'
}

# Sends the lines of $WORK/requests to a fresh helper; its answers land in $WORK/answers.
ask() {
    pc "$HELPER" <"$WORK/requests" >"$WORK/answers"
}

case "$CASE" in
refusals)
    cat >"$WORK/requests" <<REQUESTS
add $eth0 192.168.1.240/24 60
add $eth0 192.168.1.248/24 60
add $eth0 192.168.1.1/24 60
add $eth0 192.168.1.241/24 121
add $eth0 192.168.1.241/24 0
add $eth0 10.0.0.241/4 60
add 999 192.168.1.241/24 60
add $lo 127.0.0.241/24 60
add $lo 192.168.1.241/24 60
renew $eth0 192.168.1.243/24 60
delete $eth0 192.168.1.243/24
delete $eth0 10.0.0.5/8
delete 999 192.168.1.243/24
flush 999
flush $lo
arp $eth0 192.168.1.200 192.168.1.1
arp 999 192.168.1.200 0.0.0.0
add eth0 192.168.1.241/24 60
add $eth0 192.168.1.241/24 60 please
$(printf 'flush %0200d' 0)
ip addr flush dev eth0

REQUESTS
    before=$(state)
    ask
    head -n1 "$WORK/answers" | grep -qx 'ready 1' || fail "no greeting: $(cat "$WORK/answers")"
    requests=$(wc -l <"$WORK/requests")
    answers=$(tail -n +2 "$WORK/answers")
    [[ $(wc -l <<<"$answers") -eq $requests ]] ||
        fail "$requests requests, answers: $answers"
    if grep -v '^error ' <<<"$answers"; then
        fail "a forbidden request was not refused"
    fi
    grep -q "241-247" <<<"$answers" || fail "the reason does not name the range: $answers"
    [[ $(state) == "$before" ]] || fail "the PC changed: $before -> $(state)"
    ;;

lifecycle)
    mkfifo "$WORK/in"
    # A simple command, so that $! is the helper itself (ip netns exec execs it).
    ip netns exec "$(netns_name pc)" "$HELPER" <"$WORK/in" >"$WORK/answers" &
    helper=$!
    exec 9>"$WORK/in"
    echo "add $eth0 192.168.1.241/24 30" >&9
    echo "arp $eth0 192.168.1.200 192.168.1.241" >&9
    busywait 10000 grep -q '^ok .*:' "$WORK/answers" || fail "no ARP answer: $(cat "$WORK/answers")"
    [[ $(sed -n 2p "$WORK/answers") == ok ]] || fail "add: $(cat "$WORK/answers")"
    info=$(pc ip -j addr show dev eth0 |
        jq -r '.[0].addr_info[] | select(.local == "192.168.1.241") | "\(.label) \(.valid_life_time)"')
    read -r label lifetime <<<"$info"
    [[ $label == eth0:tmsl ]] || fail "label '$label'"
    ((lifetime > 0 && lifetime <= 30)) || fail "lifetime '$lifetime'"
    # A cancel (SIGUSR1) cuts an unanswered ARP request short: it answers "none" and the
    # helper goes on serving, answers in order.
    echo "arp $eth0 192.168.1.99 192.168.1.241" >&9
    sleep 0.3
    kill -USR1 "$helper"
    echo "flush $eth0" >&9
    five_answers() { (($(wc -l <"$WORK/answers") >= 5)); }
    busywait 10000 five_answers || fail "answers: $(cat "$WORK/answers")"
    [[ $(sed -n '4,5p' "$WORK/answers" | tr '\n' ' ') == "none ok " ]] ||
        fail "after the cancel: $(cat "$WORK/answers")"
    exec 9>&-
    wait "$helper" || fail "the helper failed"
    gone() { ! pc ip -j addr show dev eth0 | jq -e '.[0].addr_info[] | select(.local == "192.168.1.241")' >/dev/null; }
    gone || fail "the address outlived the helper's input"
    pc ip -j addr show dev eth0 | jq -e '.[0].addr_info[] | select(.local == "192.168.1.243")' \
        >/dev/null || fail "the user's own address went as well"
    ;;

*)
    fail "unknown case"
    ;;
esac
echo "PASS [$CASE]"
