#!/usr/bin/env bash
# Redraws the layer picture of docs/architecture.md from the rules that
# scripts/check-layers.py enforces: docs/layers.dot (the text source) and docs/layers.svg
# (rendered by Graphviz). Run it after changing the rules; a test fails while they differ.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-layers.py --dot >docs/layers.dot
dot -Tsvg docs/layers.dot -o docs/layers.svg
