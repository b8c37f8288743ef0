#!/usr/bin/env bash
# The floor check on the real tree, and on a tree where the engine climbs to a server.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
check=$here/../check-floors.py
python3 "$check" "$here/../.." || { echo "FAIL: the tree includes across floors"; exit 1; }
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/engine" "$tree/servers/vantrel"
echo '#include "servers/vantrel/twain_object.h"' >"$tree/engine/batch.cpp"
out=$(python3 "$check" "$tree") && { echo "FAIL: a climbing include passed"; exit 1; }
grep -q 'engine/batch.cpp: includes "servers/vantrel/twain_object.h"' <<<"$out" || { echo "FAIL: not named: $out"; exit 1; }
echo "ok: floors"
