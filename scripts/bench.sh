#!/usr/bin/env bash
# Runs the benchmarks and prints their figures. Needs root (network namespaces).
#
#   scripts/bench.sh [--build DIR] [--rounds N]
#
# Upload: a firmware image of 8 MB and of 64 MB sent through the web command queue
# (bench_upload queue) and through one plain blocking socket (bench_upload blocking), from
# one namespace to a receiver in another over a veth link and a bridge. Printed per size:
# the median seconds of each, the median of the rounds' throughput ratios (queue against
# blocking; target >= 0.8) and the queue's peak memory growth per image byte (target
# <= 1.2; the image is streamed from its file).
#
# Wizard loading: the time from Connect to the filled status summary page on the device's
# real time (bench_wizard_load, in a virtual LAN with one simulated repeater), against the
# schedule's minimum for the same three reads (twelve steps of the 800 ms queue timer, the
# first at once, plus the one-second hold): the median of the rounds and the ratio (goal
# <= 1.0 plus one 800 ms step).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/netns-lib.sh
source scripts/netns-lib.sh

build=build
rounds=5
while (($# > 0)); do
    case $1 in
        --build) build=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) echo "usage: scripts/bench.sh [--build DIR] [--rounds N]" >&2; exit 2 ;;
    esac
done

netns_lib_init
if [[ ! -d $build ]]; then
    cmake -S . -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" -j2 --target bench_upload bench_wizard_load tamsel-sim >/dev/null
bench=$(cd "$build" && pwd)/bench/upload/bench_upload
wizard_bench=$(cd "$build" && pwd)/bench/wizard/bench_wizard_load

work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-bench.XXXXXX")
bench_cleanup() {
    netns_cleanup
    rm -rf "$work"
}
trap bench_cleanup EXIT

netns_bridge lan
netns_add pc
netns_add device
netns_link pc lan eth0
netns_link device lan eth0
netns_exec pc ip addr add 10.77.0.1/24 dev eth0
netns_exec device ip addr add 10.77.0.2/24 dev eth0

netns_exec device "$bench" receive >"$work/receiver.out" 2>&1 &
if ! busywait 10000 grep -q ready "$work/receiver.out"; then
    echo "bench.sh: the receiver did not start" >&2
    exit 1
fi

# "key=value ..." -> the value of one key
field() { tr ' ' '\n' <<<"$1" | sed -n "s/^$2=//p"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "upload: web command queue against a blocking send, $rounds paired rounds (medians)"
printf '%-6s %12s %12s %8s %14s\n' image queue_s blocking_s ratio peak_per_byte
run() { netns_exec pc "$bench" "$1" 10.77.0.2 "$2"; }
for mib in 8 64; do
    image="$work/image-$mib.bin"
    head -c $((mib * 1024 * 1024)) /dev/urandom >"$image"
    : >"$work/rounds"
    for ((i = 0; i < rounds; i++)); do
        # Each round runs both, in alternating order, so that both meet the same load.
        if ((i % 2 == 0)); then
            queue=$(run queue "$image") && blocking=$(run blocking "$image")
        else
            blocking=$(run blocking "$image") && queue=$(run queue "$image")
        fi
        echo "$(field "$queue" seconds) $(field "$blocking" seconds)" \
            "$(field "$queue" peak_growth) $(field "$queue" bytes)" >>"$work/rounds"
    done
    queue=$(cut -d' ' -f1 "$work/rounds" | median)
    blocking=$(cut -d' ' -f2 "$work/rounds" | median)
    # The throughput ratio of each round (blocking time over queue time), then its median.
    ratio=$(awk '{ print $2 / $1 }' "$work/rounds" | median)
    growth=$(awk '{ print $3 / $4 }' "$work/rounds" | median)
    printf '%-6s %12.6f %12.6f %8.2f %14.4f\n' "${mib}MB" "$queue" "$blocking" "$ratio" "$growth"
done

echo
echo "wizard loading: Connect to the filled summary page against the schedule's minimum"
result=$(scripts/vlan.sh --sim "$build/tamsel-sim" --repeater 192.168.1.1/24 \
    run -- env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" "$wizard_bench" "$rounds")
printf '%-8s %10s %11s %8s %8s\n' rounds median_ms minimum_ms ratio goal
printf '%-8s %10s %11s %8s %8s\n' "$(field "$result" rounds)" "$(field "$result" median_ms)" \
    "$(field "$result" minimum_ms)" "$(field "$result" ratio)" "$(field "$result" goal)"
