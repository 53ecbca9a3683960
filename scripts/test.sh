#!/usr/bin/env bash
# Sets up and runs every test: the full build (core, GUI, tamselctl, simulator) with all
# CTest suites, including the network tests in private network namespaces (root needed),
# then the core's unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# the fuzzing smoke run, and last the Debian packages (built, installed, tried and
# purged). Our own builds treat warnings as errors (TAMSEL_WERROR); a user's build does
# not.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each phase says when it starts, so that a slow run shows where its time went.
phase() {
    printf '== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*"
}

phase "installing the dependencies"
scripts/install-deps.sh
jobs=$(nproc)

# A Release build: its optimiser warns about things the other builds never show, and one
# build of everything both proves that and runs the tests.
phase "the Release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMSEL_WERROR=ON
cmake --build build -j "$jobs"
phase "format, layers and naming"
scripts/check-format.sh
scripts/check-layers.py
scripts/check-naming.py
# Most suites spend their time waiting for simulated repeaters and their network, not on
# the processor: twice as many run at once as there are cores.
phase "every suite but the packages"
ctest --test-dir build --output-on-failure -j "$((2 * jobs))" --timeout 600 -LE package

# Only the core and its unit tests: the other suites ran above.
phase "the core's unit tests under ASan and UBSan"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON \
    -DTAMSEL_WITH_QT=OFF -DTAMSEL_UNIT_TESTS_ONLY=ON -DTAMSEL_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -L unit

# Fuzzing smoke run: every libFuzzer harness of tests/fuzz for 10 s under ASan and UBSan,
# one per core, then the kept regression inputs; skipped with a message when clang is
# absent.
phase "fuzzing"
scripts/fuzz.sh --smoke

# Last and on its own, since it changes the machine for a while: builds the Debian
# packages, installs them, tries them as unprivileged users and purges them again.
phase "the Debian packages"
ctest --test-dir build --output-on-failure --timeout 1500 -L package
phase "done"
