#!/usr/bin/env bash
# Sets up and runs every test: the full build (core, GUI, tamselctl, simulator) with all
# CTest suites, including the network tests in private network namespaces (root needed),
# then the core's unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
scripts/check-format.sh
scripts/check-layers.py
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON \
    -DTAMSEL_WITH_QT=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -L unit

# Fuzzing smoke run: every libFuzzer harness of tests/fuzz for 20 s under ASan and UBSan,
# then the kept regression inputs; skipped with a message when clang is absent.
scripts/fuzz.sh --smoke
