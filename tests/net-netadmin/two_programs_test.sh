#!/usr/bin/env bash
# Two tamselctl runs that reach two repeaters of one foreign subnet at the same moment,
# round after round: through the network helper as a member of its group, and with rights
# of their own (root), in either order. Each must read its own repeater, neither may break
# the other's temporary address, and nothing may be left afterwards. Runs inside
# scripts/vlan.sh's PC namespace (PC 10.0.0.10/24, default route on eth0; repeaters
# 192.168.1.1/24 and 192.168.1.2/24):
#
#   two_programs_test.sh <tamsel-netadmin> <tamselctl>
set -euo pipefail

source "$(dirname "$0")/temp-address-lib.sh"
start_tamselctl_test "two programs" "$1" "$2"
AS_ROOT=(env)

OUTSIDE=(10.1.2.3 8.8.4.4 172.16.0.1 192.168.2.1)
before=$(routes_to "${OUTSIDE[@]}" "$VLAN_REPEATER_1_IP" "$VLAN_REPEATER_2_IP")

# Reads repeater $1's status as "$2" (member or root) into $WORK/<n>.*, in the background.
read_status() {
    local n=$1 runner
    if [[ $2 == member ]]; then
        runner=("${AS_MEMBER[@]}")
    else
        runner=("${AS_ROOT[@]}")
    fi
    local ip_var="VLAN_REPEATER_${n}_IP"
    (
        status=0
        "${runner[@]}" "$TAMSELCTL" status "${!ip_var}" --json >"$WORK/$n.out" 2>"$WORK/$n.err" ||
            status=$?
        echo "$status" >"$WORK/$n.status"
    ) &
}

round=0
for pair in "member member" "member member" "root member" "member root"; do
    round=$((round + 1))
    read -r first second <<<"$pair"
    rm -f "$WORK"/*.status
    read_status 1 "$first"
    read_status 2 "$second"
    wait
    for n in 1 2; do
        ip_var="VLAN_REPEATER_${n}_IP"
        status=$(cat "$WORK/$n.status")
        ((status == 0)) || fail "round $round ($pair): repeater $n: exit $status: $(cat "$WORK/$n.err")"
        lan_ip=$(jq -r .lanIp "$WORK/$n.out")
        [[ $lan_ip == "${!ip_var}" ]] || fail "round $round: repeater $n read $lan_ip"
    done
    [[ -z $(temp_addresses) ]] || fail "round $round left behind: $(temp_addresses)"
    after=$(routes_to "${OUTSIDE[@]}" "$VLAN_REPEATER_1_IP" "$VLAN_REPEATER_2_IP")
    [[ $after == "$before" ]] || fail "round $round changed the routes: $before -> $after"
    echo "round $round ($pair): both read their own repeater"
done
echo "PASS [two programs]"
