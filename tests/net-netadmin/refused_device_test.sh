#!/usr/bin/env bash
# Simulated devices that answer the search with a subnet no temporary address may serve:
# a public one (8.8.8.8/8, the device really holding that address), and one wider than its
# private network (192.168.1.1 claiming the mask 255.0.0.0). tamselctl refuses each in one
# line and exits 2, as a member through the network helper and with rights of its own
# (root); no route changes and no temporary address appears. With a default route through
# a gateway, the set-up tries the routing table first, which does not reach them either.
# Runs inside scripts/vlan.sh's PC namespace (PC 10.0.0.10/24 with its default route on
# eth0, on the link or through a gateway; repeater 1 at 8.8.8.8/8, repeater 2 at
# 192.168.1.1/24 reporting 255.0.0.0):
#
#   refused_device_test.sh <tamsel-netadmin> <tamselctl>
set -euo pipefail

source "$(dirname "$0")/temp-address-lib.sh"
start_tamselctl_test "refused device" "$1" "$2"

WATCHED=(8.8.8.8 8.8.4.4 192.168.1.1 192.168.7.7 10.1.2.3)
before=$(routes_to "${WATCHED[@]}")

for runner in member root; do
    if [[ $runner == member ]]; then
        as=("${AS_MEMBER[@]}")
    else
        as=(env)
    fi
    for n in 1 2; do
        ip_var="VLAN_REPEATER_${n}_IP"
        status=0
        "${as[@]}" "$TAMSELCTL" status "${!ip_var}" >"$WORK/out" 2>"$WORK/err" || status=$?
        ((status == 2)) || fail "$runner, ${!ip_var}: exit $status: $(cat "$WORK/err")"
        [[ $(wc -l <"$WORK/err") -eq 1 ]] || fail "$runner, ${!ip_var}: $(cat "$WORK/err")"
        grep -q "${!ip_var}.*private network" "$WORK/err" ||
            fail "$runner, ${!ip_var}: the line does not say why: $(cat "$WORK/err")"
        [[ ! -s $WORK/out ]] || fail "$runner, ${!ip_var}: output $(cat "$WORK/out")"
        [[ -z $(temp_addresses) ]] || fail "$runner, ${!ip_var}: added $(temp_addresses)"
        after=$(routes_to "${WATCHED[@]}")
        [[ $after == "$before" ]] || fail "$runner, ${!ip_var}: routes changed: $after"
        echo "$runner, ${!ip_var}: $(cat "$WORK/err")"
    done
done
echo "PASS [refused device]"
