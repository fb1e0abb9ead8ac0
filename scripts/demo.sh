#!/usr/bin/env bash
# The main job: show what the tool offers and run it on a generated sample.
set -euo pipefail
orlofx=$1
echo "== orlofx --help"
"$orlofx" --help
echo
echo "== orlofx list"
"$orlofx" list
