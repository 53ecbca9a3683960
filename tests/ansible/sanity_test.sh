#!/usr/bin/env bash
# ansible-test sanity on the collection tamsel.repeater: the tests that run offline with
# Debian's ansible-core alone. The others (ansible-doc, import, pep8, pylint,
# runtime-metadata, validate-modules, yamllint) each build a virtual environment and
# fetch their requirements from the network, so they are left out; ansible-doc and
# ansible-lint (doc_test.sh, lint_test.sh) cover the documentation and metadata instead.
#
#   sanity_test.sh <collection directory>
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-sanity.XXXXXX")
trap 'rm -rf "$work"' EXIT
# ansible-test wants the collection at .../ansible_collections/<namespace>/<name> and
# writes its output there: a copy keeps the source tree clean, and HOME keeps its cache
# out of the user's home.
mkdir -p "$work/ansible_collections/tamsel"
cp -r "$1" "$work/ansible_collections/tamsel/repeater"
rm -rf "$work/ansible_collections/tamsel/repeater/tests"
find "$work" -name __pycache__ -prune -exec rm -rf {} +
cd "$work/ansible_collections/tamsel/repeater"
tests=(action-plugin-docs changelog compile empty-init future-import-boilerplate ignores
    line-endings metaclass-boilerplate no-assert no-basestring no-dict-iteritems
    no-dict-iterkeys no-dict-itervalues no-get-exception no-illegal-filenames
    no-main-display no-smart-quotes no-unicode-literals replace-urlopen shebang symlinks
    use-argspec-type-path use-compat-six)
python=$(command -v python3.11 || true)
[[ $python == /usr/bin/* ]] || python=/usr/bin/python3.11
HOME=$work ansible-test sanity --local --python-interpreter "$python" --python 3.11 \
    --color no "${tests[@]/#/--test=}"
