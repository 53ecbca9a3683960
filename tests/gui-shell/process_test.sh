#!/usr/bin/env bash
# The tamsel program as a process, offscreen, in a network namespace of its own (its
# discovery broadcast goes nowhere):
#   - while one copy runs, a second one has it bring its window forward and ends at once
#     with exit code 0, saying nothing; the first copy's socket for that is the user's
#     alone;
#   - a second start that gets no answer (the first copy stopped) says that Tamsel is
#     already running, and ends with exit code 0;
#   - SIGTERM, SIGINT and SIGHUP end the first copy (killed by that signal, the
#     conventional way), release the single-instance lock and remove the socket.
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
# No desktop: a second copy that has something to say says it on standard error only.
unset DISPLAY WAYLAND_DISPLAY
lock="$runtime/Zelkora Q3150Tx Tamsel.lock"
socket="$runtime/Zelkora Q3150Tx Tamsel.socket"
chmod 0700 "$runtime"

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

    [[ -S $socket && $(stat -c %a "$socket") == 700 ]] ||
        fail "the first copy's socket is missing or not the user's alone"

    rc=0
    err=$(XDG_ACTIVATION_TOKEN=token-$signal timeout 15 ip netns exec "$ns" "$tamsel" 2>&1 >/dev/null) ||
        rc=$?
    ((rc == 0)) || fail "the second copy ended with $rc, not 0"
    [[ $err != *"already running"* ]] || fail "the first copy did not come forward: $err"
    kill -0 "$first" 2>/dev/null || fail "the first copy ended when the second started"

    if [[ $signal == TERM ]]; then
        # A first copy that cannot answer: the second says so itself.
        kill -STOP "$first"
        rc=0
        err=$(timeout 15 ip netns exec "$ns" "$tamsel" 2>&1 >/dev/null) || rc=$?
        kill -CONT "$first"
        ((rc == 0)) || fail "the unanswered second copy ended with $rc, not 0"
        [[ $err == *"Tamsel is already running"* ]] ||
            fail "the unanswered second copy said: $err"
    fi

    kill "-$signal" "$first"
    rc=0
    # With job control, a plain wait would return at the stop and continue of the
    # unanswered case above instead of at the end.
    wait -f "$first" || rc=$?
    expected=$((128 + $(kill -l "$signal")))
    ((rc == expected)) || fail "SIG$signal: exit status $rc, expected $expected"
    flock -n "$lock" true || fail "SIG$signal: the lock is still held"
    [[ ! -e $socket ]] || fail "SIG$signal: the socket is still there"
    echo "SIG$signal: second copy brought the first forward, first ended by the signal," \
        "lock released and socket removed"
done
