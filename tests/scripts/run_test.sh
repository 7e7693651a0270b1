#!/usr/bin/env bash
# scripts/run without an X display, in a copy of the scripts whose project
# version is 9.87, with the user's prefix in WINEPREFIX. The stand-in wine
# shows a picture in a window titled like the program, named like it, so
# that the scripts find a window, a process and a screenshot as with Wine.
source "$(dirname "$0")/stubs.sh" "$1"
for c in Xvfb xwininfo import convert display setsid; do
  command -v "$c" >/dev/null || skip "needs $c"
done
unset DISPLAY

tree=$T/tree
mkdir -p "$tree/build"
cp -r "$src/scripts" "$tree/"
sed 's/^project(glimmerlog VERSION [0-9.]*/project(glimmerlog VERSION 9.87/' "$src/CMakeLists.txt" >"$tree/CMakeLists.txt"
stub dpkg 'echo i386'
stub dpkg-query 'printf "install ok installed"'
stub cmake ':'
stub wine '[ "$1" = explorer ] || exit 0
echo $$ >>"$STUB_LOG.shown"
exec -a "${!#}" display -title "Glimmerlog 9.87" -geometry "${STUB_AT:-+0+0}" "$STUB_PICTURE"'
export STUB_PICTURE=$T/picture.png
convert -size 800x560 gradient:navy-orange "$STUB_PICTURE"

prefix=$T/prefix
mkdir -p "$prefix" && touch "$prefix/system.reg"
run() { WINEPREFIX=$prefix GL_WINDOW_TIMEOUT=20 "$tree/scripts/run" >"$T/out" 2>&1; }
ours_ended() {
  local p
  for p in $(cat "$STUB_LOG.shown" 2>/dev/null); do kill -0 "$p" 2>/dev/null && return 1; done
  return 0
}
# fake NAME [ARG...]: a process that stands for a Wine program or server of
# the user's, in the prefix; its PID is in $fake.
fake() {
  local name=$1; shift
  (export WINEPREFIX=$prefix; exec -a "$name" "$@") &
  fake=$!
  started+=("$fake")
}

# Another copy runs in the prefix: run says so, fails, and leaves it alone.
fake 'C:\Program Files\Glimmerlog\glimmerlog.exe' sleep 60
copy=$fake
sleep 0.2
run && fail "copy running: run succeeded"
grep -q "already runs in the Wine prefix $prefix (process $copy)" "$T/out" || fail "copy running: not said: $(cat "$T/out")"
kill -0 "$copy" 2>/dev/null || fail "copy running: the other copy was ended"
[ ! -s "$STUB_LOG.shown" ] || fail "copy running: a second copy was started"
kill "$copy" 2>/dev/null

# The window comes, but off the screen: the screenshot shows nothing, which
# is a failure; what run started is ended.
STUB_AT=+2000+0 run && fail "blank window: run succeeded"
grep -q "single colour" "$T/out" || fail "blank window: not said: $(cat "$T/out")"
ours_ended || fail "blank window: the program was left running"

# The prefix's wineserver and another program of the user's run already:
# the screenshot is taken, and only the program run started is ended.
mkdir -p "$T/server"
cp "$(command -v sleep)" "$T/server/wineserver"
dir=$T/server/$(printf 'server-%x-%x' $(stat -L -c '%d %i' "$prefix"))
mkdir -p "$dir"
(cd "$dir" && exec "$T/server/wineserver" 60) &
server=$!
started+=("$server")
fake 'C:\windows\notepad.exe' sleep 60
notepad=$fake
: >"$STUB_LOG.shown"
run || fail "picture: run failed: $(cat "$T/out")"
grep -q "screenshot: $tree/build/glimmerlog-screenshot.png" "$T/out" || fail "picture: no screenshot named: $(cat "$T/out")"
[ "$(gl_image_colours "$tree/build/glimmerlog-screenshot.png")" -gt 100 ] || fail "picture: the screenshot is not the picture"
ours_ended || fail "picture: the program was left running"
kill -0 "$server" 2>/dev/null && kill -0 "$notepad" 2>/dev/null || fail "picture: the user's processes were ended"
grep -q "^wineserver.*-k" "$STUB_LOG" && fail "picture: the prefix's wineserver was told to end"

done_testing
