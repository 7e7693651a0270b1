#!/usr/bin/env bash
# Starts the program under Wine, checks that the scripts see it running in its
# prefix, that a second copy ends at once while the first keeps its window,
# and saves a screenshot of the screen.
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 shot=$4 title=$5
source "$(dirname "$wine_run")/common.sh"

windows() { xwininfo -root -tree 2>/dev/null | grep -cF "\"$title\"" || true; }
window_ids() { xwininfo -root -tree | grep -F "\"$title\"" | awk '{print $1}' | sort | tr '\n' ' '; }

[ -n "${DISPLAY:-}" ] || { echo "needs an X display (scripts/test provides one)"; exit 1; }
server_before=$(gl_wineserver_pid "$prefix")
first="" log=""
cleanup() {
  gl_group_end "$first"
  [ -z "$log" ] || rm -f "$log"
  [ -n "$server_before" ] || gl_wineserver_end "$prefix"
}
trap cleanup EXIT

# The first copy's own output (Wine's messages included) goes to a log that
# is shown when it ends before its window appears.
log=$(mktemp)
start_first() {
  : >"$log"
  setsid "$wine_run" --prefix "$prefix" "$exe" >"$log" 2>&1 </dev/null &
  first=$!
  for _ in $(seq 1 600); do
    [ "$(windows)" -ge 1 ] && return 0
    if ! gl_alive "$first"; then
      local rc=0
      wait "$first" || rc=$?
      echo "the program ended before showing its window (exit $rc); its output:"
      tail -n 20 "$log" | sed 's/^/  /'
      first=""
      return 1
    fi
    sleep 0.1
  done
  echo "no window titled '$title' appeared"
  return 1
}
# A start that ends at once is tried once more, and said: the Wine server of
# the test before may still be leaving as this one starts.
if ! start_first; then
  [ -n "$first" ] && exit 1
  sleep 3
  echo "starting once more"
  start_first || exit 1
fi
sleep 1
id_before=$(window_ids)

running=$(gl_copies_running "$prefix" "${exe##*/}")
[ -n "$running" ] || { echo "the running copy is not found among the prefix's processes"; exit 1; }

# A second copy must end by itself, quickly, without a window of its own.
start=$(date +%s)
rc=0
timeout 60 "$wine_run" --prefix "$prefix" "$exe" >/dev/null 2>&1 || rc=$?
echo "second copy ended with $rc after $(( $(date +%s) - start ))s"
[ "$rc" != 124 ] || { echo "the second copy did not end"; exit 1; }
gl_group_has "$first" "${exe##*/}" || { echo "the first copy is gone"; exit 1; }
id_after=$(window_ids)
[ "$id_before" = "$id_after" ] || { echo "windows changed: '$id_before' -> '$id_after'"; exit 1; }

import -window root "$shot"
[ -s "$shot" ] || { echo "no screenshot written"; exit 1; }
echo "screenshot: $shot"
