#!/usr/bin/env bash
# Seeds a fresh demo profile and checks every view inside it.
set -euo pipefail
root=$1 prefix=$2 tests=$3
source "$root/scripts/common.sh"
if [ -n "$(gl_wineserver_pid "$prefix")" ]; then
  echo "Wine programs run in $prefix; this test needs the prefix to itself"
  exit 1
fi
trap 'gl_wineserver_end "$prefix"' EXIT
# The previous run's prefix goes (only if the scripts made it); seed-demo
# makes a new one, marked as theirs, that wine-run then uses.
gl_prefix_remove "$prefix"
"$root/scripts/seed-demo" "$prefix"
"$root/scripts/wine-run" --prefix "$prefix" "$tests"
