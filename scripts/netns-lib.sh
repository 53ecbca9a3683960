# Helpers for building a private LAN out of network namespaces. Source this file.
#
#   netns_lib_init           picks a unique prefix, installs the clean-up trap
#   netns_add NAME           creates namespace "$NETNS_PREFIX-NAME" (echoes its full name)
#   netns_bridge NAME        creates a namespace holding bridge br0 (the LAN's switch)
#   netns_link HOSTNS BRNS IFNAME
#                            veth pair: IFNAME inside HOSTNS, its peer on br0 in BRNS
#   netns_exec NAME CMD...   runs CMD inside the namespace
#   busywait MS CMD...       retries CMD every 100 ms until it succeeds or MS pass
#
# Every namespace made here is deleted on exit (normal, error or signal). Nothing ever
# touches the caller's own network namespace.

NETNS_PREFIX=""
NETNS_CREATED=()

netns_lib_init() {
    if [[ $(id -u) -ne 0 ]]; then
        echo "SKIP: network namespaces need root" >&2
        exit 77
    fi
    NETNS_PREFIX="tmsl$$-$RANDOM"
    trap netns_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
}

netns_cleanup() {
    local ns pid
    for ns in "${NETNS_CREATED[@]}"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -TERM "$pid" 2>/dev/null || true
        done
    done
    sleep 0.2
    for ns in "${NETNS_CREATED[@]}"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -KILL "$pid" 2>/dev/null || true
        done
        ip netns del "$ns" 2>/dev/null || true
    done
    NETNS_CREATED=()
}

netns_name() { echo "$NETNS_PREFIX-$1"; }

netns_add() {
    local ns
    ns=$(netns_name "$1")
    ip netns add "$ns"
    NETNS_CREATED+=("$ns")
    ip -n "$ns" link set lo up
}

netns_bridge() {
    netns_add "$1"
    local ns
    ns=$(netns_name "$1")
    ip -n "$ns" link add br0 type bridge
    ip -n "$ns" link set br0 up
}

# Creates a veth pair in the host namespace's view of the world only transiently: both
# ends are moved into the test namespaces right away.
netns_link() {
    local hostns brns ifname peer
    hostns=$(netns_name "$1")
    brns=$(netns_name "$2")
    ifname=$3
    peer="p${RANDOM}${RANDOM}"
    peer=${peer:0:15}
    ip link add "$ifname" netns "$hostns" type veth peer name "$peer" netns "$brns"
    ip -n "$brns" link set "$peer" master br0
    ip -n "$brns" link set "$peer" up
    ip -n "$hostns" link set "$ifname" up
}

netns_exec() {
    local ns
    ns=$(netns_name "$1")
    shift
    ip netns exec "$ns" "$@"
}

busywait() {
    local timeout_ms=$1
    shift
    local start now
    start=$(date +%s%3N)
    while true; do
        if "$@"; then
            return 0
        fi
        now=$(date +%s%3N)
        if ((now - start > timeout_ms)); then
            return 1
        fi
        sleep 0.1
    done
}
