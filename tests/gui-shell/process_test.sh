#!/usr/bin/env bash
# The tamsel program as a process, offscreen, in a network namespace of its own (its
# discovery broadcast goes nowhere):
#   - while one copy runs, a second one ends at once with exit code 0;
#   - SIGTERM, SIGINT and SIGHUP end the first copy (killed by that signal, the
#     conventional way) and release the single-instance lock.
# Usage: process_test.sh TAMSEL_BINARY. Needs root (exits 77 otherwise).
set -euo pipefail
# Job control: background jobs keep SIGINT instead of inheriting it as ignored.
set -m

tamsel=$1
# shellcheck source=scripts/netns-lib.sh
source "$(dirname "$0")/../../scripts/netns-lib.sh"
netns_lib_init
runtime=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-process.XXXXXX")
trap 'netns_cleanup; rm -rf "$runtime"' EXIT
netns_add pc
ns=$(netns_name pc)

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime
lock="$runtime/Zelkora Q3150Tx Tamsel.lock"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Looked up among the process's open files: probing with flock(1) while a copy starts
# could take the lock from under it.
holds_lock() {
    local fd
    for fd in /proc/"$1"/fd/*; do
        [[ $(readlink "$fd" 2>/dev/null) == "$lock" ]] && return 0
    done
    return 1
}
# The discovery socket is made at the first discovery timer tick: the dialog is running.
searching() { ip netns exec "$ns" ss -Hlun 'sport = :13379' | grep -q .; }

for signal in TERM INT HUP; do
    ip netns exec "$ns" "$tamsel" &
    first=$!
    busywait 15000 searching || fail "the first copy did not start searching"
    holds_lock "$first" || fail "the first copy does not hold the lock"

    rc=0
    timeout 15 ip netns exec "$ns" "$tamsel" || rc=$?
    ((rc == 0)) || fail "the second copy ended with $rc, not 0"
    kill -0 "$first" 2>/dev/null || fail "the first copy ended when the second started"

    kill "-$signal" "$first"
    rc=0
    wait "$first" || rc=$?
    expected=$((128 + $(kill -l "$signal")))
    ((rc == expected)) || fail "SIG$signal: exit status $rc, expected $expected"
    flock -n "$lock" true || fail "SIG$signal: the lock is still held"
    echo "SIG$signal: second copy exited 0, first ended by the signal, lock released"
done
