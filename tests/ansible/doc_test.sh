#!/usr/bin/env bash
# ansible-doc renders each module of tamsel.repeater with its options, examples and
# return values, and says nothing on its standard error (a documentation block that is
# not valid YAML, or a field ansible-doc does not know, shows there).
#
#   doc_test.sh <collections directory>
set -euo pipefail
export ANSIBLE_COLLECTIONS_PATH=$1 ANSIBLE_NOCOLOR=1
work=$(mktemp -d "${TMPDIR:-/tmp}/tamsel-doc.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ANSIBLE_HOME=$work/home ANSIBLE_LOCAL_TEMP=$work/home/tmp

listed=$(ansible-doc --list tamsel.repeater 2>"$work/err")
for module in discover info config; do
    grep -q "^tamsel\.repeater\.$module " <<<"$listed" || {
        echo "FAIL: ansible-doc --list does not list $module" >&2
        exit 1
    }
    ansible-doc "tamsel.repeater.$module" >"$work/$module.txt" 2>>"$work/err"
    # The shared fragment (plugins/doc_fragments) adds tamselctl_path and the notes.
    for section in "OPTIONS (= is mandatory):" "EXAMPLES:" "RETURN VALUES:" "ATTRIBUTES:" \
        "- tamselctl_path" "REQUIREMENTS:"; do
        grep -qF -- "$section" "$work/$module.txt" || {
            echo "FAIL: ansible-doc tamsel.repeater.$module has no $section" >&2
            cat "$work/$module.txt" >&2
            exit 1
        }
    done
done
if [[ -s $work/err ]]; then
    echo "FAIL: ansible-doc complained:" >&2
    cat "$work/err" >&2
    exit 1
fi
echo "ansible-doc: discover, info and config rendered"
