#!/usr/bin/env bash
# ansible-lint, offline and with its default (production) profile, on the collection
# tamsel.repeater and the example playbook and inventory that the README shows.
#
#   lint_test.sh <source directory>
set -euo pipefail
cd "$1"
work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-lint.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ANSIBLE_COLLECTIONS_PATH=$PWD/ansible/collections XDG_CACHE_HOME=$work/cache \
    ANSIBLE_HOME=$work/home ANSIBLE_LOCAL_TEMP=$work/home/tmp
ansible-lint --offline --nocolor ansible/collections/ansible_collections/tamsel/repeater \
    ansible/examples
