#!/usr/bin/env bash
# A build without the tests leaves the programs' time-scale hook out, so its tamsel or
# tamselctl never takes the device's waits from the environment; a build with the tests
# keeps it. (The package build, which runs the unit tests, switches it off itself; the
# package test checks its binaries.) Configures the source tree both ways in a scratch
# folder and reads the choice from the cache.
# Usage: time_scale_hook_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-hook.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

hook_of() {  # hook_of <build dir> <cmake options>...
    local dir=$1
    shift
    cmake -S "$source_dir" -B "$dir" -G Ninja -DTAMSEL_WITH_QT=OFF "$@" >/dev/null
    sed -n 's/^TAMSEL_TIME_SCALE_HOOK:BOOL=//p' "$dir/CMakeCache.txt"
}

package=$(hook_of "$scratch/package" -DTAMSEL_BUILD_TESTS=OFF)
tests=$(hook_of "$scratch/tests")
echo "package build: $package, test build: $tests"
[[ $package == OFF && $tests == ON ]]
