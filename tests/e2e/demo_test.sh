#!/usr/bin/env bash
# Seeds a fresh demo profile and checks every view inside it.
set -euo pipefail
root=$1 prefix=$2 tests=$3
source "$root/scripts/common.sh"
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true' EXIT
# The previous run's prefix goes (only if the scripts made it); seed-demo
# makes a new one, marked as theirs, that wine-run then uses.
gl_prefix_remove "$prefix"
"$root/scripts/seed-demo" "$prefix"
"$root/scripts/wine-run" --prefix "$prefix" "$tests"
