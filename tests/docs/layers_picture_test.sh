#!/usr/bin/env bash
# The layer picture is the one the include rules give: docs/layers.dot is what
# check-layers.py --dot prints, and docs/layers.svg shows the same boxes and arrows.
# scripts/draw-layers.sh redraws both.
set -euo pipefail
ROOT=$1
fail() {
    echo "FAIL [docs]: $*; run scripts/draw-layers.sh" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$ROOT/scripts/check-layers.py" --dot >"$work/layers.dot"
diff -u "$ROOT/docs/layers.dot" "$work/layers.dot" >&2 ||
    fail "docs/layers.dot is not the picture of the rules"

# Graphviz's layout may differ between its versions; the boxes and arrows may not.
command -v dot >/dev/null || fail "Graphviz (dot) is not installed (scripts/install-deps.sh)"
dot -Tsvg "$work/layers.dot" -o "$work/layers.svg"
titles() {
    grep -o '<title>[^<]*</title>' "$1" | sort
}
diff -u <(titles "$ROOT/docs/layers.svg") <(titles "$work/layers.svg") >&2 ||
    fail "docs/layers.svg is not drawn from docs/layers.dot"
echo "layer picture: $(grep -c -- '->' "$work/layers.dot") arrows, up to date"
