#!/usr/bin/env bash
# A host with two LANs (two veth links on two bridges) and no default route broadcasts
# once with SendBroadcastOnAllInterfaces: a listener on each LAN must get exactly one
# copy, sent from the host's address on that LAN; two listeners sharing the port on one
# peer must both get it. Everything runs inside namespaces made here.
set -euo pipefail
probe=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/netns-lib.sh
source "$here/../../scripts/netns-lib.sh"
netns_lib_init

port=13379
work=$(mktemp -d)
trap 'netns_cleanup; rm -rf "$work"' EXIT

netns_add host
netns_add peerA
netns_add peerB
netns_bridge lanA
netns_bridge lanB
netns_link host lanA ethA
netns_link host lanB ethB
netns_link peerA lanA eth0
netns_link peerB lanB eth0
netns_exec host ip addr add 10.213.1.1/24 dev ethA
netns_exec host ip addr add 10.213.1.9/24 dev ethA   # a second address: still one copy
netns_exec host ip addr add 10.213.2.1/24 dev ethB
netns_exec peerA ip addr add 10.213.1.2/24 dev eth0
netns_exec peerB ip addr add 10.213.2.2/24 dev eth0

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/*.out; do
        echo "--- $f" >&2
        cat "$f" >&2
    done
    exit 1
}

if [[ -n $(netns_exec host ip route show default) ]]; then
    fail "the host namespace must have no default route"
fi
# The premise: without a default route a plain limited broadcast has nowhere to go.
plain=$(netns_exec host "$probe" plain "$port" plain)
echo "plain sendto: $plain"

netns_exec peerA "$probe" listen "$port" >"$work/a1.out" &
netns_exec peerA "$probe" listen "$port" >"$work/a2.out" &
netns_exec peerB "$probe" listen "$port" >"$work/b.out" &
for f in a1 a2 b; do
    busywait 5000 grep -q '^ready' "$work/$f.out" || fail "listener $f did not start"
done

sent=$(netns_exec host "$probe" send "$port" hello-lans) || fail "send: $sent"
echo "broadcast: $sent"
[[ $sent == "interfaces=2 "* ]] || fail "expected to leave by 2 interfaces: $sent"

wait
expect_one() {
    local file=$1 from=$2 lines
    lines=$(grep -c '^from=' "$work/$file.out" || true)
    [[ $lines == 1 ]] || fail "$file: expected one datagram, got $lines"
    grep -qx "from=$from payload=hello-lans" "$work/$file.out" || fail "$file: wrong sender"
}
expect_one a1 10.213.1.1
expect_one a2 10.213.1.1
expect_one b 10.213.2.1
echo "PASS"
