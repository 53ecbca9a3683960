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
#
# Window (bench_wizard_pages, the whole program against tamsel-sim in a virtual LAN made by
# scripts/vlan.sh): the longest delay of a queued event and of a frame on the user-interface
# thread while the firmware page sends a 64 MiB image, against the same stretch at idle
# (goal <= 50 ms, no frame later than that); the process's CPU while the page waits out a
# restart, against idle on the same page (goal <= 0.1 % of a core). Medians of the rounds
# (at most three of 60 s for the CPU).
#
# Search at a block (bench_range_search, the discovery manager on real sockets): a search
# at a /22 (1022 addresses, routed from the PC's namespace to a simulated repeater's, which
# answers at one of them) against its pacing schedule (goal: time ratio <= 1.2), and its
# peak memory against a broadcast search that finds the same repeater (goal: < 1.3, for
# the process's peak resident set and for the heap in use during the search). Medians of
# at most three rounds, each search in a process of its own.
#
# Accessibility, on a headless Wayland desktop with its AT-SPI bus
# (scripts/wayland-session.sh) and a screen reader's load (bench/screen_reader.py listens
# for the events a screen reader listens for): tamsel's first paint against a bare Qt window
# with the same background, each with Qt's accessibility off and on, 2 x rounds + 1 runs
# (firstpaint_runner --accessibility; goal: with it on, at most 1.5 times the bare window's);
# and the page switches through the wizard's menu, from the click until the new page is on
# the screen, with accessibility off and on (bench_wizard_pages pageswitch, 60 switches;
# goal: every switch under 50 ms), against a repaint of the shown page.
#
# A fleet through Ansible (bench/fleet/fleet_bench.py, the collection tamsel.repeater and
# tamselctl in a virtual LAN of twenty simulated repeaters on the PC's subnet, on the
# device's real time): one change applied to all twenty with --forks 20 against the same
# change on one repeater alone (goal: ratio <= 2, each repeater's pacing being the floor),
# and the run after it, which changes nothing, against the schedule of the reads it sends.
# Medians of at most three rounds.
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
cmake --build "$build" -j2 --target bench_upload bench_wizard_load bench_wizard_pages \
    bench_range_search firstpaint_runner firstpaint_probe firstpaint_baseline tamsel-sim \
    tamselctl >/dev/null
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

# The window, against a simulated repeater in a LAN of its own.
pages_bench=$(cd "$build" && pwd)/bench/wizard/bench_wizard_pages
sim=$(cd "$build" && pwd)/tamsel-sim
in_lan() {
    scripts/vlan.sh --sim "$sim" --repeater 192.168.1.1/24 \
        run -- env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
        "$pages_bench" "$@" | sed -n 's/^figures: //p'
}

echo
echo "window while the firmware page sends 64 MiB: $rounds rounds (medians, ms)"
: >"$work/wizard"
for ((i = 0; i < rounds; i++)); do
    in_lan responsiveness 64 >>"$work/wizard"
done
# The median over the rounds of one figure; the worst round of another.
median_field() { while read -r line; do field "$line" "$1"; done <"$work/wizard" | median; }
worst_field() { while read -r line; do field "$line" "$1"; done <"$work/wizard" | sort -g | tail -1; }
printf '%-6s %10s %10s %22s\n' phase max_delay frame_max frames_over_50_worst
printf '%-6s %10.2f %10.2f %22s\n' idle "$(median_field idle_max_ms)" \
    "$(median_field idle_frame_max_ms)" -
printf '%-6s %10.2f %10.2f %22s\n' send "$(median_field send_max_ms)" \
    "$(median_field send_frame_max_ms)" "$(worst_field send_frames_over_goal)"
send_max=$(median_field send_max_ms)
idle_max=$(median_field idle_max_ms)
echo "longest delay send/idle: $(awk -v s="$send_max" -v i="$idle_max" \
    'BEGIN { print (i > 0 ? s / i : 0) }'); worst round's send: $(worst_field send_max_ms) ms"
echo
cpu_rounds=$((rounds < 3 ? rounds : 3))
echo "window CPU while a page waits out a restart: $cpu_rounds rounds of 60 s each" \
    "(medians, percent of a core)"
: >"$work/cpu"
for ((i = 0; i < cpu_rounds; i++)); do
    in_lan rebootcpu 60 >>"$work/cpu"
done
cpu_field() { while read -r line; do field "$line" "$1"; done <"$work/cpu" | "$2"; }
worst() { sort -g | tail -1; }
printf '%-6s %12s %12s\n' phase cpu_percent worst_round
printf '%-6s %12.4f %12.4f\n' idle "$(cpu_field idle_cpu_percent median)" \
    "$(cpu_field idle_cpu_percent worst)"
printf '%-6s %12.4f %12.4f\n' wait "$(cpu_field wait_cpu_percent median)" \
    "$(cpu_field wait_cpu_percent worst)"

# The block behind a next hop: no ARP for each address, and the repeater's namespace
# drops what is not addressed to it, as a LAN of empty addresses would.
echo
search_rounds=$((rounds < 3 ? rounds : 3))
echo "search at a /22 against its schedule and against a broadcast search:" \
    "$search_rounds rounds (medians)"
netns_bridge slan
netns_add spc
netns_add ssim
netns_link spc slan eth0
netns_link ssim slan eth0
netns_exec spc ip addr add 10.78.0.1/24 dev eth0
netns_exec spc ip route add default dev eth0
netns_exec spc ip route add 10.64.0.0/22 via 10.78.0.2
netns_exec ssim ip addr add 10.78.0.2/24 dev eth0
netns_exec ssim ip addr add 10.64.1.7/32 dev lo
netns_exec ssim "$sim" --ip 10.64.1.7 --mask 255.255.252.0 --reply unicast \
    --ready-file "$work/sim.ready" >"$work/sim.out" 2>&1 &
if ! busywait 10000 test -e "$work/sim.ready"; then
    echo "bench.sh: the simulated repeater did not start" >&2
    exit 1
fi
range_bench=$(cd "$build" && pwd)/bench/discovery/bench_range_search
result=$(netns_exec spc "$range_bench" compare 10.64.0.0/22 "$search_rounds")
printf '%-10s %10s %12s %10s %10s %12s\n' search ms schedule_ms ratio rss_kib heap_bytes
printf '%-10s %10s %12s %10s %10s %12s\n' broadcast "$(field "$result" broadcast_ms)" \
    "$(field "$result" broadcast_schedule_ms)" "$(field "$result" broadcast_time_ratio)" \
    "$(field "$result" broadcast_rss_kib)" "$(field "$result" broadcast_heap)"
printf '%-10s %10s %12s %10s %10s %12s\n' "/22" "$(field "$result" range_ms)" \
    "$(field "$result" range_schedule_ms)" "$(field "$result" range_time_ratio)" \
    "$(field "$result" range_rss_kib)" "$(field "$result" range_heap)"
echo "memory /22 against broadcast: resident set $(field "$result" rss_ratio)," \
    "heap $(field "$result" heap_ratio) (goal < 1.3); time against schedule" \
    "$(field "$result" range_time_ratio) (goal <= 1.2)"

# Accessibility, on a Wayland desktop of its own with a screen reader's load. pyatspi
# belongs to Debian's own interpreter.
firstpaint=$(cd "$build" && pwd)/bench/firstpaint
with_screen_reader=(/usr/bin/python3 bench/screen_reader.py)
echo
scripts/wayland-session.sh run -- "${with_screen_reader[@]}" "$firstpaint/firstpaint_runner" \
    --accessibility "$firstpaint/firstpaint_probe" "$firstpaint/firstpaint_baseline" \
    $((rounds * 2 + 1)) 2>/dev/null

echo
echo "page switches through the menu on Wayland (60 switches, ms)"
switches() {
    scripts/vlan.sh --sim "$sim" --repeater 192.168.1.1/24 \
        run -- scripts/wayland-session.sh run -- "$@" "$pages_bench" pageswitch 60 2>/dev/null |
        sed -n 's/^figures: //p'
}
off=$(switches env -u QT_LINUX_ACCESSIBILITY_ALWAYS_ON)
on=$(switches "${with_screen_reader[@]}")
printf '%-14s %12s %12s %12s\n' accessibility switch_median switch_max repaint_median
for line in "$off" "$on"; do
    printf '%-14s %12.2f %12.2f %12.2f\n' \
        "$([[ $(field "$line" accessible) == 1 ]] && echo on || echo off)" \
        "$(field "$line" switch_median_ms)" "$(field "$line" switch_max_ms)" \
        "$(field "$line" repaint_median_ms)"
done
echo "switch median on/off: $(awk -v a="$(field "$on" switch_median_ms)" \
    -v b="$(field "$off" switch_median_ms)" 'BEGIN { print (b > 0 ? a / b : 0) }');" \
    "goal: every switch under 50 ms with accessibility on:" \
    "$(awk -v m="$(field "$on" switch_max_ms)" 'BEGIN { print (m < 50 ? "met" : "missed") }')"

echo
fleet_rounds=$((rounds < 3 ? rounds : 3))
echo "a fleet through Ansible: one change on 20 repeaters with --forks 20 against one" \
    "repeater alone, and the unchanged run against its reads' schedule:" \
    "$fleet_rounds rounds (medians, s)"
fleet_lan=()
for host in $(seq 21 40); do
    fleet_lan+=(--repeater "192.168.1.$host/24")
done
result=$(scripts/vlan.sh --sim "$sim" "${fleet_lan[@]}" run -- \
    python3 bench/fleet/fleet_bench.py "$(cd "$build" && pwd)/tamselctl" "$fleet_rounds")
printf '%-10s %10s %10s %8s %8s\n' run seconds baseline ratio goal
printf '%-10s %10s %10s %8s %8s\n' "fleet" "$(field "$result" fleet_s)" \
    "$(field "$result" single_s)" "$(field "$result" fleet_ratio)" "<= 2"
printf '%-10s %10s %10s %8s %8s\n' "unchanged" "$(field "$result" again_s)" \
    "$(field "$result" reads_schedule_s)" "$(field "$result" again_ratio)" "-"
