#!/usr/bin/env bash
# Runs a test binary as a user outside the network helper's group, without capabilities of
# its own, with TAMSEL_NETADMIN naming a copy of the helper with the packaged rights:
#
#   as_non_member.sh <tamsel-netadmin> <command> [<argument>...]
#
# The machine's accounts stay as they are: the user and the group are bare numbers.
set -euo pipefail
source "$(dirname "$0")/../net-netadmin/temp-address-lib.sh"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
chmod 0755 "$WORK"
install_member_helper "$1" "$WORK"
shift
status=0
TAMSEL_NETADMIN=$HELPER setpriv --reuid="$MEMBER" --regid="$MEMBER" --clear-groups \
    --inh-caps=-all --bounding-set=-all -- "$@" || status=$?
exit $status
