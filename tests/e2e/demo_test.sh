#!/usr/bin/env bash
# Seeds a fresh demo profile and checks every view inside it.
set -euo pipefail
root=$1 prefix=$2 tests=$3
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true' EXIT
rm -rf "$prefix"
"$root/scripts/seed-demo" "$prefix"
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
# The wrapper would make a prefix of its own unless this one is marked ready.
touch "$prefix/.glimmerlog-ready"
"$root/scripts/wine-run" --prefix "$prefix" "$tests"
