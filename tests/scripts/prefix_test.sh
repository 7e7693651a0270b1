#!/usr/bin/env bash
# Which Wine prefixes wine-run and seed-demo make, rebuild or leave alone
# (Wine's commands are stand-ins that log what they are asked).
source "$(dirname "$0")/stubs.sh" "$1"
wine_run=$src/scripts/wine-run
export DISPLAY=:stub   # no virtual display is started while one is set
ran() { grep -c "^$1" "$STUB_LOG"; }

# A prefix of the user's, named by WINEPREFIX, is used as it is.
user=$T/user-prefix
mkdir -p "$user/drive_c" && echo keep >"$user/notes.txt" && touch "$user/system.reg"
before=$(listing "$user")
WINEPREFIX=$user "$wine_run" prog.exe >/dev/null 2>&1 || fail "WINEPREFIX: wine-run failed"
[ "$(listing "$user")" = "$before" ] || fail "WINEPREFIX: the user's prefix was changed"
[ "$(ran wineboot)" = 0 ] || fail "WINEPREFIX: wineboot ran on the user's prefix"
grep -q "^wine prog.exe" "$STUB_LOG" || fail "WINEPREFIX: the program did not run"

# A new --prefix is marked as the scripts' own before wineboot, ready after,
# and made only once.
: >"$STUB_LOG"
"$wine_run" --prefix "$T/ours" prog.exe >/dev/null 2>&1 || fail "new prefix: wine-run failed"
"$wine_run" --prefix "$T/ours" prog.exe >/dev/null 2>&1 || fail "new prefix: second run failed"
[ "$(grep '^wineboot' "$STUB_LOG")" = "wineboot made=yes" ] || fail "new prefix: not marked before one wineboot: $(ran wineboot) run(s)"
[ -f "$T/ours/$GL_PREFIX_READY" ] || fail "new prefix: not marked ready"
[ "$(ran 'wine prog.exe')" = 2 ] || fail "new prefix: the program did not run twice"

# A failed wineboot fails the run and leaves the prefix unready; the next run
# rebuilds it from nothing.
: >"$STUB_LOG"
out=$(STUB_WINEBOOT_RC=3 "$wine_run" --prefix "$T/broken" prog.exe 2>&1) && fail "failed wineboot: wine-run succeeded"
grep -q "cannot make the prefix" <<<"$out" || fail "failed wineboot: no message: $out"
[ ! -e "$T/broken/$GL_PREFIX_READY" ] || fail "failed wineboot: prefix marked ready"
[ "$(ran "wine prog.exe")" = 0 ] || fail "failed wineboot: the program ran"
touch "$T/broken/leftover"
"$wine_run" --prefix "$T/broken" prog.exe >/dev/null 2>&1 || fail "rebuild: wine-run failed"
[ -f "$T/broken/$GL_PREFIX_READY" ] && [ ! -e "$T/broken/leftover" ] || fail "rebuild: the unready prefix was not made again"

# A non-empty --prefix folder without the mark is never deleted: a Wine
# prefix is used as it is, anything else refused.
: >"$STUB_LOG"
mkdir -p "$T/docs" && echo keep >"$T/docs/letter.txt"
before=$(listing "$T/docs")
"$wine_run" --prefix "$T/docs" prog.exe >/dev/null 2>&1 && fail "foreign folder: wine-run succeeded"
[ "$(listing "$T/docs")" = "$before" ] || fail "foreign folder: changed"
cp -r "$user" "$T/theirs"
before=$(listing "$T/theirs")
"$wine_run" --prefix "$T/theirs" prog.exe >/dev/null 2>&1 || fail "foreign prefix: wine-run failed"
[ "$(listing "$T/theirs")" = "$before" ] || fail "foreign prefix: changed"
[ "$(ran wineboot)" = 0 ] && [ "$(ran 'wine prog.exe')" = 1 ] || fail "foreign prefix: not used as it is"

# seed-demo seeds only a prefix of the scripts' making.
: >"$STUB_LOG"
before=$(listing "$user")
"$src/scripts/seed-demo" "$user" >/dev/null 2>&1 && fail "seed-demo: seeded the user's prefix"
[ "$(listing "$user")" = "$before" ] && [ ! -s "$STUB_LOG" ] || fail "seed-demo: touched the user's prefix"

done_testing
