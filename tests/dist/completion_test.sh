#!/usr/bin/env bash
# The bash completion of tamselctl, with the program of this build:
#   completion_test.sh <completion script> <tamselctl>
# Commands and options come from tamselctl --help; addresses from the discover cache.
set -euo pipefail

COMPLETION=$1
TAMSELCTL=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_CACHE_HOME=$WORK/cache
mkdir -p "$XDG_CACHE_HOME/tamsel"
printf '192.168.1.1\n192.168.1.2\n10.0.0.7\n' >"$XDG_CACHE_HOME/tamsel/discovered"
touch "$WORK/firmware.bin"

# shellcheck source=/dev/null
source "$COMPLETION"
failures=0

# complete WORDS... : what the completion offers for the last word, sorted, one line.
complete_words() {
    COMP_WORDS=("$TAMSELCTL" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _tamselctl
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

expect() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    if [[ $got != "$want" ]]; then
        echo "FAIL: tamselctl $* -> '$got', expected '$want'" >&2
        failures=$((failures + 1))
    fi
}

expect "apply bridge discover open reboot reset set-ip set-password status survey upgrade" ""
expect "set-ip set-password status survey" s
expect "--json" status --j
expect "--verbose --version" --ver
expect "192.168.1.1 192.168.1.2" status 192.168
expect "10.0.0.7 192.168.1.1 192.168.1.2" --json reboot ""
expect "10.0.0.7 192.168.1.1 192.168.1.2" bridge --ssid "Home net" ""
expect "" status 192.168.1.1 ""
expect "192.168.1.1 192.168.1.2" open 192.168
expect "" discover ""
expect "--address --address-wait" discover --add
expect "--csv" discover --cs
expect "aes none tkip wep" bridge 192.168.1.1 --security ""
expect "off on" set-ip 192.168.1.1 --dhcp ""
expect "" set-ip 192.168.1.1 --ip ""
expect "$WORK/firmware.bin" upgrade 192.168.1.1 "$WORK/firm"
# apply's desired state and the files of secrets are file names.
touch "$WORK/state.json" "$WORK/password"
expect "$WORK/state.json" apply 192.168.1.1 "$WORK/sta"
expect "$WORK/password" status 192.168.1.1 --password-file "$WORK/pass"
expect "$WORK/password" set-password --new-file "$WORK/pass"
expect "--password --password-file" status --passw
expect "--check" apply 192.168.1.1 --che
expect "10.0.0.7 192.168.1.1 192.168.1.2" --password-file "$WORK/password" status ""

# Without a cache there is nothing to offer, and no error.
rm "$XDG_CACHE_HOME/tamsel/discovered"
expect "" status ""

((failures == 0)) || exit 1
echo "PASS [completion]"
