#!/usr/bin/env bash
# A virtual LAN of network namespaces with simulated KV-Q3150Tx repeaters, for the
# network tests and the demo. Nothing here touches the caller's own network namespace.
#
# Usage:
#   scripts/vlan.sh [OPTION]... run -- COMMAND [ARG]...
#   scripts/vlan.sh [OPTION]... shell
#
# Builds one bridge namespace (the LAN's switch), one PC namespace (eth0 on the LAN,
# optionally eth1) and one namespace per repeater, each running tamsel-sim on its own
# eth0. Waits until every simulator listens, then runs COMMAND (or an interactive shell)
# inside the PC namespace, and always tears everything down afterwards. The exit code is
# COMMAND's; 77 when not root (skip); 1 when the LAN could not be built.
#
# Options (repeatable ones keep their order):
#   --sim PATH             tamsel-sim binary (default: $TAMSEL_SIM, else build/tamsel-sim,
#                          else tamsel-sim on the PATH)
#   --pc ADDR/PREFIX       an address of the PC's eth0 (repeatable; default 192.168.1.10/24;
#                          "none": eth0 without any address)
#   --pc2 ADDR/PREFIX      gives the PC a second interface, eth1, on a separate LAN that
#                          nothing else is on (repeatable; "none": eth1 without address)
#   --pc2-same-lan         put eth1 on the repeaters' LAN instead
#   --no-default-route     no default route in the PC (default: "default dev eth0", so
#                          that a limited broadcast has a way out, as on a desktop PC)
#   --pc-default-route     the default, spelled out
#   --pc-gateway ADDR      default route via ADDR on eth0 instead
#   --repeater "IP/PREFIX [SIM OPTION]..."
#                          one simulated repeater (repeatable; default, unless a far
#                          repeater is given: one at 192.168.1.1/24). The sim options are
#                          tamsel-sim's own (--password x, --status 500,
#                          --survey-network ..., --mac ...), split like shell words: quote
#                          a value with spaces.
#   --router-lan ADDR/PREFIX, --router-far ADDR/PREFIX
#                          a router: a namespace that forwards between the LAN (its eth0,
#                          ADDR of --router-lan) and a second, far LAN behind it (its eth1,
#                          ADDR of --router-far). The PC gets a route to the far LAN's
#                          subnet through it. Both options or neither.
#   --far-repeater "IP/PREFIX [SIM OPTION]..."
#                          one simulated repeater on the far LAN, its default route through
#                          the router (repeatable; needs the router). Numbered after the
#                          repeaters of the LAN.
#   --keep-dir             keep VLAN_DIR (logs) after the end and print its path
#
# COMMAND's environment (repeater numbers n count from 1 in --repeater order):
#   VLAN_DIR                 working directory with the logs; removed at the end
#   VLAN_PC_NS, VLAN_BRIDGE_NS   namespace names (usable with ip -n / ip netns exec)
#   VLAN_PC_IF=eth0, VLAN_PC_IF2=eth1 (only with --pc2 / --pc2-same-lan)
#   VLAN_REPEATER_COUNT
#   VLAN_REPEATER_n_IP, VLAN_REPEATER_n_PREFIX, VLAN_REPEATER_n_MASK
#   VLAN_REPEATER_n_MAC      e.g. 00:1A:2B:00:00:01, also the MAC of its eth0
#   VLAN_REPEATER_n_LOG      tamsel-sim's framed log (see sim/sim_log.h for the format)
#   VLAN_REPEATER_n_OUT      its stdout and stderr
#   VLAN_REPEATER_n_CONTROL  control file: write misbehaviour lines ("silent",
#                            "status 500", "slow-ms 50"; empty = well-behaved), then
#                            kill -USR1 $VLAN_REPEATER_n_PID; an EVENT what=control frame
#                            in the log confirms it
#   VLAN_REPEATER_n_PID, VLAN_REPEATER_n_NS, VLAN_REPEATER_n_IF=eth0
#   VLAN_REPEATER_n_FAR      1 for a repeater on the far LAN, else 0
#   with the router: VLAN_ROUTER_NS, VLAN_ROUTER_LAN_IP, VLAN_ROUTER_FAR_IP,
#   VLAN_FAR_NET (the far LAN's subnet, e.g. 192.168.7.0/24), VLAN_FAR_BRIDGE_NS
#
# Examples:
#   scripts/vlan.sh --sim build/tamsel-sim --repeater "192.168.1.1/24 --password secret" \
#       run -- python3 tests/net/http_test.py
#   scripts/vlan.sh --pc 203.0.113.10/24 --router-lan 203.0.113.1/24 \
#       --router-far 192.168.7.1/24 --far-repeater "192.168.7.20/24 --reply unicast" shell
set -euo pipefail

SCRIPT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/netns-lib.sh
source "$SCRIPT_DIR/netns-lib.sh"

usage() {
    sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d' | sed 's/^# \{0,1\}//' >&2
    exit 2
}

sim=${TAMSEL_SIM:-$SCRIPT_DIR/../build/tamsel-sim}
# Installed from the tamsel-sim package, the simulator is on the PATH instead.
if [[ -z ${TAMSEL_SIM:-} && ! -x $sim ]] && command -v tamsel-sim >/dev/null; then
    sim=$(command -v tamsel-sim)
fi
pc_addresses=()
pc2_addresses=()
pc2=0
pc2_same_lan=0
default_route=dev
gateway=""
repeaters=()
far_repeaters=()
router_lan=""
router_far=""
keep_dir=0
verb=""
command=()

while (($# > 0)); do
    case $1 in
        --sim) sim=$2; shift 2 ;;
        --pc) pc_addresses+=("$2"); shift 2 ;;
        --pc2) pc2=1; pc2_addresses+=("$2"); shift 2 ;;
        --pc2-same-lan) pc2=1; pc2_same_lan=1; shift ;;
        --no-default-route) default_route=none; shift ;;
        --pc-default-route) default_route=dev; shift ;;
        --pc-gateway) default_route=gateway; gateway=$2; shift 2 ;;
        --repeater) repeaters+=("$2"); shift 2 ;;
        --far-repeater) far_repeaters+=("$2"); shift 2 ;;
        --router-lan) router_lan=$2; shift 2 ;;
        --router-far) router_far=$2; shift 2 ;;
        --keep-dir) keep_dir=1; shift ;;
        run | shell) verb=$1; shift ;;
        --) shift; command=("$@"); break ;;
        -h | --help) usage ;;
        *) echo "vlan.sh: unknown argument '$1'" >&2; usage ;;
    esac
done

if [[ -z $verb ]]; then
    usage
fi
if [[ $verb == run && ${#command[@]} -eq 0 ]]; then
    echo "vlan.sh: run needs -- COMMAND" >&2
    exit 2
fi
if [[ -n $router_lan$router_far && (-z $router_lan || -z $router_far) ]]; then
    echo "vlan.sh: give --router-lan and --router-far together" >&2
    exit 2
fi
if ((${#far_repeaters[@]} > 0)) && [[ -z $router_lan ]]; then
    echo "vlan.sh: --far-repeater needs the router (--router-lan, --router-far)" >&2
    exit 2
fi
((${#pc_addresses[@]} > 0)) || pc_addresses=(192.168.1.10/24)
((${#repeaters[@]} + ${#far_repeaters[@]} > 0)) || repeaters=("192.168.1.1/24")

netns_lib_init
if [[ ! -x $sim ]]; then
    echo "vlan.sh: tamsel-sim not found at '$sim' (use --sim PATH or TAMSEL_SIM)" >&2
    exit 1
fi
sim=$(cd "$(dirname "$sim")" && pwd)/$(basename "$sim")

VLAN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-vlan.XXXXXX")
vlan_cleanup() {
    local rc=$?
    netns_cleanup
    if ((keep_dir)); then
        echo "vlan.sh: logs kept in $VLAN_DIR" >&2
    else
        rm -rf "$VLAN_DIR"
    fi
    return $rc
}
trap vlan_cleanup EXIT

prefix_to_mask() {
    local prefix=$1 mask=() i bits
    for i in 0 1 2 3; do
        bits=$((prefix - 8 * i))
        ((bits > 8)) && bits=8
        ((bits < 0)) && bits=0
        mask+=($((256 - (1 << (8 - bits)))))
    done
    local IFS=.
    echo "${mask[*]}"
}

# The LAN and the PC.
netns_bridge lan
netns_add pc
netns_link pc lan eth0
for address in "${pc_addresses[@]}"; do
    [[ $address == none ]] || ip -n "$(netns_name pc)" addr add "$address" dev eth0
done
if ((pc2)); then
    if ((pc2_same_lan)); then
        netns_link pc lan eth1
    else
        netns_bridge lan2
        netns_link pc lan2 eth1
    fi
    for address in "${pc2_addresses[@]}"; do
        [[ $address == none ]] || ip -n "$(netns_name pc)" addr add "$address" dev eth1
    done
    export VLAN_PC_IF2=eth1
fi
case $default_route in
    dev) ip -n "$(netns_name pc)" route add default dev eth0 ;;
    gateway) ip -n "$(netns_name pc)" route add default via "$gateway" dev eth0 ;;
    none) ;;
esac

# "a.b.c.d/p" -> its subnet "n.n.n.n/p"
subnet_of() {
    local address=${1%/*} prefix=${1#*/} IFS=. octets value
    read -ra octets <<<"$address"
    value=$(((octets[0] << 24) | (octets[1] << 16) | (octets[2] << 8) | octets[3]))
    ((prefix == 0)) && value=0 || value=$((value & ((0xFFFFFFFF << (32 - prefix)) & 0xFFFFFFFF)))
    echo "$((value >> 24)).$(((value >> 16) & 255)).$(((value >> 8) & 255)).$((value & 255))/$prefix"
}

# The router between the LAN and the far LAN.
if [[ -n $router_lan ]]; then
    netns_bridge far
    netns_add router
    netns_link router lan eth0
    netns_link router far eth1
    VLAN_ROUTER_NS=$(netns_name router)
    ip -n "$VLAN_ROUTER_NS" addr add "$router_lan" dev eth0
    ip -n "$VLAN_ROUTER_NS" addr add "$router_far" dev eth1
    ip netns exec "$VLAN_ROUTER_NS" sysctl -qw net.ipv4.ip_forward=1
    VLAN_FAR_NET=$(subnet_of "$router_far")
    ip -n "$(netns_name pc)" route add "$VLAN_FAR_NET" via "${router_lan%/*}" dev eth0
    export VLAN_ROUTER_NS VLAN_FAR_NET VLAN_ROUTER_LAN_IP=${router_lan%/*} \
        VLAN_ROUTER_FAR_IP=${router_far%/*} VLAN_FAR_BRIDGE_NS=$(netns_name far)
fi

# The repeaters: those of the LAN, then those of the far LAN.
n=0
for spec in "${repeaters[@]}" "${far_repeaters[@]}"; do
    n=$((n + 1))
    far=$((n > ${#repeaters[@]} ? 1 : 0))
    # Shell words, so that an option value may be quoted: "... --password 'a b'".
    eval "words=($spec)"
    cidr=${words[0]}
    extra=("${words[@]:1}")
    ip=${cidr%/*}
    prefix=${cidr#*/}
    [[ $prefix == "$cidr" ]] && prefix=24
    mask=$(prefix_to_mask "$prefix")
    mac=$(printf '00:1A:2B:00:00:%02X' "$n")
    for ((i = 0; i < ${#extra[@]}; i++)); do
        case ${extra[i]} in
            --mac) mac=${extra[i + 1]^^} ;;
            --mac=*) mac=${extra[i]#--mac=}; mac=${mac^^} ;;
        esac
    done
    ns=$(netns_name "r$n")
    netns_add "r$n"
    if ((far)); then
        netns_link "r$n" far eth0
    else
        netns_link "r$n" lan eth0
    fi
    ip -n "$ns" link set eth0 address "$mac"
    ip -n "$ns" addr add "$ip/$prefix" dev eth0
    ((far)) && ip -n "$ns" route add default via "${router_far%/*}" dev eth0

    base="$VLAN_DIR/repeater-$n"
    : >"$base.control"
    ip netns exec "$ns" "$sim" --ip "$ip" --mask "$mask" --interface eth0 --mac "$mac" \
        --log "$base.log" --control "$base.control" --ready-file "$base.ready" \
        "${extra[@]}" >"$base.out" 2>&1 &
    pid=$!
    export "VLAN_REPEATER_${n}_IP=$ip" "VLAN_REPEATER_${n}_PREFIX=$prefix" \
        "VLAN_REPEATER_${n}_MASK=$mask" "VLAN_REPEATER_${n}_MAC=$mac" \
        "VLAN_REPEATER_${n}_LOG=$base.log" "VLAN_REPEATER_${n}_OUT=$base.out" \
        "VLAN_REPEATER_${n}_CONTROL=$base.control" "VLAN_REPEATER_${n}_PID=$pid" \
        "VLAN_REPEATER_${n}_NS=$ns" "VLAN_REPEATER_${n}_IF=eth0" "VLAN_REPEATER_${n}_FAR=$far"
done
export VLAN_REPEATER_COUNT=$n VLAN_DIR VLAN_PC_NS VLAN_BRIDGE_NS VLAN_PC_IF=eth0
VLAN_PC_NS=$(netns_name pc)
VLAN_BRIDGE_NS=$(netns_name lan)

sim_ready() {
    local n=$1 pid_var="VLAN_REPEATER_${1}_PID"
    if ! kill -0 "${!pid_var}" 2>/dev/null; then
        echo "vlan.sh: repeater $n exited during start-up:" >&2
        cat "$VLAN_DIR/repeater-$n.out" >&2
        exit 1
    fi
    [[ -e $VLAN_DIR/repeater-$n.ready ]]
}
for ((i = 1; i <= n; i++)); do
    if ! busywait 10000 sim_ready "$i"; then
        echo "vlan.sh: repeater $i did not start within 10 s" >&2
        exit 1
    fi
done

rc=0
if [[ $verb == shell ]]; then
    echo "vlan.sh: shell in the PC namespace $VLAN_PC_NS; repeaters:" >&2
    for ((i = 1; i <= n; i++)); do
        ip_var="VLAN_REPEATER_${i}_IP" mac_var="VLAN_REPEATER_${i}_MAC"
        echo "  $i: ${!ip_var} ${!mac_var}" >&2
    done
    PS1="[vlan] \\w\\$ " ip netns exec "$VLAN_PC_NS" bash --norc -i || rc=$?
else
    ip netns exec "$VLAN_PC_NS" "${command[@]}" || rc=$?
fi
exit $rc
