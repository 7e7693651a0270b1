#!/usr/bin/env bash
# Runs Win32 tests inside a Wine virtual desktop, where windows can be
# maximized as under a window manager (a bare X display has none), and
# judges them by GoogleTest's report, since the desktop does not pass the
# program's exit code on. With a DPI, the prefix's screen density is set to
# it for the run and put back afterwards.
#
#   run_in_desktop.sh WINE-RUN PREFIX TEST.exe GTEST-FILTER [DPI]
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 filter=$4 dpi=${5:-}
report=$(mktemp --suffix=.xml)
density='HKCU\Control Panel\Desktop'
cleanup() {
  rm -f "$report"
  if [ -n "$dpi" ]; then
    "$wine_run" --prefix "$prefix" reg delete "$density" /v LogPixels /f >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT
rm -f "$report"
# Room for the main window at its full size at the density asked for.
size=1024x700
if [ -n "$dpi" ]; then
  size=$((1100 * dpi / 96))x$((760 * dpi / 96))
  "$wine_run" --prefix "$prefix" reg add "$density" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  export GL_EXPECT_DPI=$dpi
fi
GL_VIRTUAL_DESKTOP=1 "$wine_run" --prefix "$prefix" explorer /desktop=glimmerlog-tests,$size "$exe" \
  --gtest_filter="$filter" --gtest_output="xml:Z:${report//\//\\}" || true
[ -s "$report" ] || { echo "no test report written: the tests did not run"; exit 1; }
summary=$(grep -m1 -o '<testsuites tests="[0-9]*" failures="[0-9]*" disabled="[0-9]*" errors="[0-9]*"' "$report")
echo "$summary"
grep -q ' failures="0" disabled="[0-9]*" errors="0"' <<<"$summary" && ! grep -q 'tests="0"' <<<"$summary" || {
  grep -o 'message="[^"]*"' "$report" | head -20
  exit 1
}
