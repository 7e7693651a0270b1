#!/usr/bin/env bash
# The virtual X display the scripts start: never one that another server
# holds, and a clear failure when it does not start.
source "$(dirname "$0")/stubs.sh" "$1"
command -v Xvfb >/dev/null && command -v xwininfo >/dev/null || skip "needs Xvfb and xwininfo"
unset DISPLAY
stub wine 'echo "wine DISPLAY=$DISPLAY $(xwininfo -root 2>/dev/null | grep -m1 Width:)" >>"$STUB_LOG"'

# A server on the first number without a lock file or socket in /tmp, seen
# only through its abstract socket: started without either (-nolock works
# for root only), or else in a mount namespace with a /tmp of its own.
# wine-run must start a display of its own elsewhere, and leave that server
# running.
n=90
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
if [ "$(id -u)" = 0 ]; then
  Xvfb ":$n" -nolock -nolisten unix -nolisten tcp -screen 0 640x480x24 >/dev/null 2>&1 </dev/null &
else
  unshare -rm sh -c 'mount -t tmpfs tmpfs /tmp && exec Xvfb ":$1" -nolisten tcp -screen 0 640x480x24' sh "$n" \
    >/dev/null 2>&1 </dev/null &
fi
hidden=$!
started+=("$hidden")
for _ in $(seq 1 50); do DISPLAY=:$n xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=:$n xwininfo -root >/dev/null 2>&1 || skip "cannot start an X server that leaves no trace in /tmp"
[ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] || skip "display :$n shows in /tmp after all"

WINEPREFIX=$T/prefix "$src/scripts/wine-run" prog.exe >/dev/null 2>&1 || fail "wine-run failed"
read -r _ shown width < <(grep "^wine DISPLAY" "$STUB_LOG")
[ "$shown" != "DISPLAY=:$n" ] || fail "wine-run drew on the hidden server's display :$n"
[ "$width" = "Width: 1920" ] || fail "the program's display is not a fresh virtual one: '$shown $width'"
m=${shown#DISPLAY=:}
[ ! -e "/tmp/.X$m-lock" ] && [ ! -e "/tmp/.X11-unix/X$m" ] || fail "display :$m left behind in /tmp"
gl_alive "$hidden" || fail "the hidden server was ended"

# A server that dies at once, or never says that it is ready: a message,
# a nonzero status, and no program run, no server left running.
: >"$STUB_LOG"
stub Xvfb 'echo "stub Xvfb: no screens found" >&2; exit 1'
out=$("$src/scripts/wine-run" --prefix "$T/prefix2" prog.exe 2>&1) && fail "dying Xvfb: wine-run succeeded"
grep -q "no screens found" <<<"$out" || fail "dying Xvfb: the server's complaint is not shown: $out"
grep -q "^wine " "$STUB_LOG" && fail "dying Xvfb: the program ran"
stub Xvfb 'echo $$ >"$STUB_LOG.xvfb"; exec sleep 30'
out=$(GL_XVFB_TIMEOUT=1 gl_xvfb_start 2>&1) && fail "silent Xvfb: reported started"
grep -q "did not report that it was ready within 1 s" <<<"$out" || fail "silent Xvfb: no message: $out"
kill -0 "$(cat "$STUB_LOG.xvfb")" 2>/dev/null && fail "silent Xvfb: left running"

done_testing
