#!/bin/sh
# Runs a test command with a config folder of its own, removed afterwards: the programs
# remember the repeater last connected to in $XDG_CONFIG_HOME, and no test run may see
# what another run (or the user) remembered.
dir=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-config.XXXXXX") || exit 1
XDG_CONFIG_HOME=$dir "$@"
rc=$?
rm -rf "$dir"
exit $rc
