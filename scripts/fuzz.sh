#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz (clang, ASan and UBSan) and runs them.
#
#   scripts/fuzz.sh [--seconds N] [--work DIR] [--save-corpus] [HARNESS...]
#   scripts/fuzz.sh --smoke
#
# Each harness (all of them, or the ones named) fuzzes for N seconds (default 600),
# starting from its seeds: tests/fuzz/corpus/<harness>, the simulator's pages and replies
# (written by tamsel_fuzz_seeds) and the recorded pages of tests/data. What it finds goes
# into the work directory (default build-fuzz/work): the growing corpus in corpus/<harness>,
# crashing inputs in artifacts/<harness>. Nothing is written into the repository unless
# --save-corpus merges the new inputs into tests/fuzz/corpus. Afterwards every kept
# regression input (tests/fuzz/regressions/<harness>) runs once, whole.
#
# --smoke is the test command's run: every harness for 10 s plus all regression inputs;
# without clang and libFuzzer it says so and succeeds.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
smoke=0
save=0
work=""
selected=()
while (($#)); do
    case "$1" in
        --smoke) smoke=1; seconds=10 ;;
        --seconds) seconds="$2"; shift ;;
        --work) work="$2"; shift ;;
        --save-corpus) save=1 ;;
        -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "fuzz: unknown option $1" >&2; exit 2 ;;
        *) selected+=("$1") ;;
    esac
    shift
done

build=build-fuzz
work=${work:-$build/work}
harnesses=(datagram pages survey encoders ansi_text markup_parser markup_layout search_target
           remembered_mac device_export netadmin desired_state)

# Input size limits: the survey reader must see pages big enough to hold the page-copy
# fault (1-2 MB), the markup controls texts up to 64 KiB, the rest what a device sends.
declare -A max_len=([datagram]=2048 [pages]=65536 [survey]=2097152 [encoders]=4096
                    [ansi_text]=4096 [markup_parser]=65536 [markup_layout]=65536
                    [search_target]=256 [remembered_mac]=256 [device_export]=4096
                    [netadmin]=4096 [desired_state]=4096)
declare -A dict=([datagram]=datagram [pages]=pages [survey]=survey [encoders]=encoders
                 [markup_parser]=markup [markup_layout]=markup [search_target]=search_target
                 [device_export]=device_export [netadmin]=netadmin
                 [desired_state]=desired_state)
declare -A data_seeds=([pages]="tests/data/pages tests/data/golden" [survey]="tests/data/pages")

# libFuzzer comes with clang's runtime libraries (Debian: clang, libclang-rt-14-dev).
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
if ! command -v clang++ >/dev/null ||
    ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
        clang++ -x c++ -fsanitize=fuzzer -o "$probe/probe" - 2>/dev/null; then
    if ((smoke)); then
        echo "fuzz: skipped: clang with libFuzzer is not installed (clang, libclang-rt-14-dev)"
        exit 0
    fi
    echo "fuzz: clang with libFuzzer is needed (Debian: clang libclang-rt-14-dev)" >&2
    exit 1
fi

if ((${#selected[@]} == 0)); then
    selected=("${harnesses[@]}")
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAMSEL_FUZZ=ON >/dev/null
targets=(tamsel_fuzz_seeds)
for h in "${selected[@]}"; do
    targets+=("fuzz_$h")
done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

mkdir -p "$work"
rm -rf "$work/seeds"
"$build/tamsel_fuzz_seeds" "$work/seeds" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp
export QT_QPA_PLATFORM=offscreen

# One harness per core at a time: each is one process that fuzzes on one core. A harness
# prints its lines of the summary on standard output and its failures on standard error,
# and fails when fuzzing or a regression input did.
fuzz_one() {
    local h=$1 status=0
    local binary="$build/fuzz_$h"
    local corpus="$work/corpus/$h"
    local artifacts="$work/artifacts/$h"
    mkdir -p "$corpus" "$artifacts"
    local seeds=() dir
    for dir in "tests/fuzz/corpus/$h" "$work/seeds/$h" ${data_seeds[$h]:-}; do
        if [[ -d "$dir" ]]; then
            seeds+=("$dir")
        fi
    done
    local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
                   -max_len="${max_len[$h]}" -print_final_stats=1
                   -artifact_prefix="$artifacts/")
    if [[ -n "${dict[$h]:-}" ]]; then
        options+=(-dict="tests/fuzz/dict/${dict[$h]}.dict")
    fi
    local log="$work/$h.log"
    if "$binary" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        local runs
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        echo "$h: ${runs:-?} inputs run, corpus $(find "$corpus" -type f | wc -l) files"
    else
        echo "FAILED: $h (fuzzing; input in $artifacts, log $log)" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
    if ((save)); then
        mkdir -p "tests/fuzz/corpus/$h"
        "$binary" -merge=1 -max_len="${max_len[$h]}" "tests/fuzz/corpus/$h" "$corpus" \
            >>"$log" 2>&1
    fi

    # The inputs that once found faults run every time, whole (no length limit). They are
    # megabytes, which under the sanitizers on a busy machine take seconds; the faults they
    # hold took minutes or gigabytes.
    local regressions=("tests/fuzz/regressions/$h"/*)
    if [[ -e "${regressions[0]}" ]]; then
        log="$work/$h.regressions.log"
        if "$binary" -timeout=30 -rss_limit_mb=2048 "${regressions[@]}" >"$log" 2>&1; then
            echo "$h: ${#regressions[@]} regression inputs passed"
        else
            echo "FAILED: $h (regression inputs; log $log)" >&2
            tail -n 40 "$log" >&2
            status=1
        fi
    fi
    return $status
}

failed=()
summary=()
pending=("${selected[@]}")
declare -A running=()
while ((${#pending[@]} + ${#running[@]})); do
    while ((${#pending[@]})) && ((${#running[@]} < $(nproc))); do
        h=${pending[0]}
        pending=("${pending[@]:1}")
        echo "fuzz: $h for ${seconds} s (log $work/$h.log)"
        fuzz_one "$h" >"$work/$h.summary" 2>"$work/$h.errors" &
        running[$!]=$h
    done
    wait -n -p done_pid || true
    h=${running[$done_pid]}
    unset "running[$done_pid]"
    mapfile -t lines <"$work/$h.summary"
    summary+=("${lines[@]}")
    if [[ -s "$work/$h.errors" ]]; then
        cat "$work/$h.errors" >&2
        failed+=("$h")
    fi
done

printf 'fuzz: %s\n' "${summary[@]}"
if ((${#failed[@]})); then
    printf 'fuzz: FAILED: %s\n' "${failed[@]}" >&2
    exit 1
fi
echo "fuzz: all ${#selected[@]} harnesses passed"
