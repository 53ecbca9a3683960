#!/usr/bin/env bash
# tamselctl without root and without capabilities of its own, reaching a repeater on a
# foreign subnet through the network helper. Runs inside scripts/vlan.sh's PC namespace
# (PC 10.0.0.10/24; repeater 1 at 192.168.1.1/24, repeater 2 at 192.168.1.2/24 silent,
# and a neighbour that holds 192.168.1.241):
#
#   unprivileged_test.sh build <tamsel-netadmin> <tamselctl>
#       a copy of the helper with the packaged rights (mode 0750, a group of its own, file
#       capabilities), users and group as bare numbers: the machine's accounts stay as they
#       are
#   unprivileged_test.sh installed <user in group tamsel> <user outside it>
#       the installed programs, run as those users
#
# Checks: a user in the helper's group reads the status through a temporary address, the
# first one no neighbour holds, and none is left afterwards; a user outside the group fails with one line naming the group;
# a tamselctl killed with SIGKILL while it holds the address leaves none behind.
set -euo pipefail

MODE=$1
source "$(dirname "$0")/temp-address-lib.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
chmod 0755 "$WORK"
export TAMSEL_TIME_SCALE=5 XDG_CACHE_HOME=$WORK/cache

fail() {
    echo "FAIL [unprivileged $MODE]: $*" >&2
    exit 1
}

case $MODE in
build)
    install_programs "$2" "$3" "$WORK/bin"
    group=$HELPER_GROUP
    as_member=("${AS_MEMBER[@]}")
    as_other=(setpriv --reuid="$MEMBER" --regid="$MEMBER" --clear-groups)
    ;;
installed)
    TAMSELCTL=$(command -v tamselctl)
    group=tamsel
    as_member=(setpriv --reuid="$2" --regid="$(id -g "$2")" --init-groups)
    as_other=(setpriv --reuid="$3" --regid="$(id -g "$3")" --init-groups)
    ;;
*)
    fail "unknown mode"
    ;;
esac

no_temp_addresses() {
    [[ -z $(temp_addresses) ]]
}
has_temp_address() {
    [[ -n $(temp_addresses) ]]
}

# In the group: the whole set-up through the helper.
status=0
"${as_member[@]}" "$TAMSELCTL" status "$VLAN_REPEATER_1_IP" --json >"$WORK/out" 2>"$WORK/err" ||
    status=$?
((status == 0)) || fail "status as a member exited $status: $(cat "$WORK/err")"
[[ $(jq -r .lanIp "$WORK/out") == "$VLAN_REPEATER_1_IP" ]] || fail "status: $(cat "$WORK/out")"
no_temp_addresses || fail "left behind: $(temp_addresses)"
# A neighbour holds .241: the helper refused it, and the set-up asked from .242.
grep -aq "^=== REQUEST .* peer=192\.168\.1\.242:" "$VLAN_REPEATER_1_LOG" ||
    fail "no request from 192.168.1.242: $(grep -a '^=== REQUEST' "$VLAN_REPEATER_1_LOG")"
! grep -aq "^=== REQUEST .* peer=192\.168\.1\.241:" "$VLAN_REPEATER_1_LOG" ||
    fail "a request came from the neighbour's address"

# Outside it: exit 3 and one line that names the group and how to join it.
status=0
"${as_other[@]}" "$TAMSELCTL" status "$VLAN_REPEATER_1_IP" >"$WORK/out" 2>"$WORK/err" ||
    status=$?
((status == 3)) || fail "status outside the group exited $status: $(cat "$WORK/err")"
line=$(grep "not in group $group" "$WORK/err") || fail "no line names the group: $(cat "$WORK/err")"
[[ $(wc -l <<<"$line") -eq 1 && $line == *"adduser"* ]] || fail "message: $line"
no_temp_addresses || fail "left behind: $(temp_addresses)"

# Killed while it waits for a silent repeater: the helper sees its input close and
# removes the address.
"${as_member[@]}" "$TAMSELCTL" survey "$VLAN_REPEATER_2_IP" --password admin \
    >/dev/null 2>"$WORK/err" &
victim=$!
busywait() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
busywait 60 has_temp_address || fail "no temporary address while running: $(cat "$WORK/err")"
kill -KILL "$victim"
wait "$victim" || true
busywait 20 no_temp_addresses || fail "left behind after SIGKILL: $(temp_addresses)"
echo "PASS [unprivileged $MODE]"
