# What the network helper's tests share. Source this file.
#
#   unused_id                 a user and group id that the machine does not use
#   install_member_helper BUILT DIR
#                             copies the helper to DIR/tamsel-netadmin with the packaged
#                             rights (mode 0750, group HELPER_GROUP, file capabilities) and
#                             sets HELPER, HELPER_GROUP, MEMBER (an unused user id) and
#                             AS_MEMBER (setpriv as MEMBER in that group)
#   install_programs BUILT_HELPER BUILT_TAMSELCTL DIR
#                             the same, plus a copy of tamselctl in DIR (TAMSELCTL), with
#                             TAMSEL_NETADMIN naming the helper copy
#   start_tamselctl_test TITLE BUILT_HELPER BUILT_TAMSELCTL
#                             a test of tamselctl runs: a work folder WORK (removed at
#                             exit), fail MESSAGE naming TITLE, tamselctl on scaled time
#                             and install_programs into WORK/bin
#   IN_PC=(...)               how to run a command in the PC's namespace (empty: here)
#   temp_addresses            the PC's temporary addresses, "address/prefix" sorted
#   routes_to DESTINATION...  "destination dev gateway source type" of the PC's route to
#                             each, one per line
#
#   start_member_test TITLE BUILT_HELPER
#                             a test of helper runs on a namespace LAN (netns-lib.sh
#                             sourced): a work folder WORK, removed at exit with every run
#                             and namespace; fail MESSAGE naming TITLE; expect NAME GOT
#                             WANTED; install_member_helper into WORK/bin; pc CMD... runs
#                             a command in the PC's namespace (IN_PC)
#   member_lan                the LAN: a bridge, the device 192.168.1.200/24, the PC's eth0
#                             (its index: $eth0) with 10.0.0.5/8 and a default route via
#                             10.0.0.1
#
# Runs of the helper as MEMBER in the PC's namespace, each talking over a FIFO in $WORK
# (after install_member_helper; `fail` and netns-lib.sh's busywait must be there):
#   start_run NAME            starts one and waits for its greeting (its pid: PID[NAME])
#   send NAME LINE            sends a request line
#   ask NAME LINE             sends a request line and prints the answer
#   answered NAME             how many lines it has written, the greeting included
#   kill_run NAME             ends it with SIGKILL
#   end_runs                  kills every run left (for an EXIT trap)
#
# The machine's own accounts stay as they are: users and groups are bare numbers.

IN_PC=()
RUNS=()
declare -A PID FD

unused_id() {
    local id
    for ((id = 61000 + RANDOM % 3000; ; id++)); do
        if ! getent passwd "$id" >/dev/null && ! getent group "$id" >/dev/null; then
            echo "$id"
            return
        fi
    done
}

install_member_helper() {
    HELPER_GROUP=$(unused_id)
    MEMBER=$((HELPER_GROUP + 1))
    HELPER=$2/tamsel-netadmin
    install -o root -g "$HELPER_GROUP" -m 0750 "$1" "$HELPER"
    setcap cap_net_admin,cap_net_raw+ep "$HELPER"
    AS_MEMBER=(setpriv --reuid="$MEMBER" --regid="$MEMBER" --groups="$HELPER_GROUP")
}

install_programs() {
    mkdir -p "$3"
    install -m 0755 "$2" "$3/tamselctl"
    TAMSELCTL=$3/tamselctl
    install_member_helper "$1" "$3"
    export TAMSEL_NETADMIN=$HELPER
}

start_tamselctl_test() {
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
    chmod 0755 "$WORK"
    export TAMSEL_TIME_SCALE=5
    TEST_TITLE=$1
    fail() {
        echo "FAIL [$TEST_TITLE]: $*" >&2
        exit 1
    }
    install_programs "$2" "$3" "$WORK/bin"
}

temp_addresses() {
    "${IN_PC[@]}" ip -j addr show | jq -r '[.[] | .addr_info[]
        | select((.label // "") | endswith(":tmsl")) | "\(.local)/\(.prefixlen)"] | sort
        | join(" ")'
}

routes_to() {
    local destination route
    for destination in "$@"; do
        route=$("${IN_PC[@]}" ip -j route get "$destination" 2>/dev/null) || route=""
        if [[ -z $route ]]; then
            echo "$destination unreachable"
            continue
        fi
        jq -r --arg d "$destination" '.[0] | [$d, .dev, (.gateway // "-"), (.prefsrc // "-"),
            (.type // "unicast")] | join(" ")' <<<"$route"
    done
}

start_run() {
    local name=$1 fd
    mkfifo "$WORK/$name.in"
    "${IN_PC[@]}" "${AS_MEMBER[@]}" "$HELPER" <"$WORK/$name.in" >"$WORK/$name.out" 2>&1 &
    PID[$name]=$!
    exec {fd}>"$WORK/$name.in"
    FD[$name]=$fd
    RUNS+=("$name")
    busywait 5000 grep -qx 'ready 3' "$WORK/$name.out" || fail "$name: $(cat "$WORK/$name.out")"
}

send() {
    echo "$2" >&"${FD[$1]}"
}

answered() {
    wc -l <"$WORK/$1.out"
}

ask() {
    local name=$1 count
    count=$(answered "$name")
    send "$name" "$2"
    has_answered() { (($(answered "$name") > count)); }
    busywait 15000 has_answered || fail "$name: no answer to '$2'"
    tail -n1 "$WORK/$name.out"
}

kill_run() {
    kill -KILL "${PID[$1]}"
    wait "${PID[$1]}" 2>/dev/null || true
    eval "exec ${FD[$1]}>&-"
}

end_runs() {
    local name
    for name in "${RUNS[@]}"; do
        kill -KILL "${PID[$name]}" 2>/dev/null || true
    done
    RUNS=()
}

start_member_test() {
    TEST_TITLE=$1
    netns_lib_init
    WORK=$(mktemp -d)
    trap 'end_runs; rm -rf "$WORK"; netns_cleanup' EXIT
    chmod 0755 "$WORK"
    fail() {
        echo "FAIL [$TEST_TITLE]: $*" >&2
        exit 1
    }
    expect() { [[ $2 == "$3" ]] || fail "$1: expected '$3', got '$2'"; }
    mkdir "$WORK/bin"
    install_member_helper "$2" "$WORK/bin"
}

pc() { netns_exec pc "$@"; }

member_lan() {
    netns_bridge lan
    netns_add dev
    netns_link dev lan eth0
    ip -n "$(netns_name dev)" addr add 192.168.1.200/24 dev eth0
    netns_add pc
    netns_link pc lan eth0
    pc ip addr add 10.0.0.5/8 dev eth0
    pc ip route add default via 10.0.0.1 dev eth0
    eth0=$(pc ip -j link show eth0 | jq '.[0].ifindex')
    IN_PC=(ip netns exec "$(netns_name pc)")
}
