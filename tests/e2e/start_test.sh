#!/usr/bin/env bash
# Starts the program under Wine, checks that a second copy ends at once while
# the first keeps its window, and saves a screenshot of the screen.
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 shot=$4
title="Glimmerlog 3.21"

windows() { xwininfo -root -tree 2>/dev/null | grep -c "\"$title\"" || true; }
first=""
cleanup() {
  [ -n "$first" ] && kill "$first" >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test provides one)"; exit 1; }

"$wine_run" --prefix "$prefix" "$exe" >/dev/null 2>&1 &
first=$!
for _ in $(seq 1 600); do
  [ "$(windows)" -ge 1 ] && break
  kill -0 "$first" 2>/dev/null || { echo "the program ended before showing its window"; exit 1; }
  sleep 0.1
done
[ "$(windows)" -ge 1 ] || { echo "no window titled '$title' appeared"; exit 1; }
sleep 1
id_before=$(xwininfo -root -tree | grep "\"$title\"" | awk '{print $1}' | sort | tr '\n' ' ')

# A second copy must end by itself, quickly, without a window of its own.
start=$(date +%s)
timeout 60 "$wine_run" --prefix "$prefix" "$exe" >/dev/null 2>&1
rc=$?
echo "second copy ended with $rc after $(( $(date +%s) - start ))s"
kill -0 "$first" 2>/dev/null || { echo "the first copy is gone"; exit 1; }
id_after=$(xwininfo -root -tree | grep "\"$title\"" | awk '{print $1}' | sort | tr '\n' ' ')
[ "$id_before" = "$id_after" ] || { echo "windows changed: '$id_before' -> '$id_after'"; exit 1; }

import -window root "$shot"
[ -s "$shot" ] || { echo "no screenshot written"; exit 1; }
echo "screenshot: $shot"
