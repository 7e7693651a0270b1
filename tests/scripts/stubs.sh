# Sourced by the script tests (first argument: the source tree): a scratch
# folder, stand-ins for Wine's commands first on PATH, and a failure count.
# Processes a test starts go into `started` and end with it.
set -uo pipefail
src=$1
source "$src/scripts/common.sh"
T=$(mktemp -d "${TMPDIR:-/tmp}/glimmerlog-script-test.XXXXXX")
started=()
finish() {
  local p
  for p in "${started[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$T"
}
trap finish EXIT

fails=0
fail() { echo "FAIL: $*"; fails=$((fails + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
done_testing() { [ "$fails" = 0 ] && echo "all passed"; exit $((fails > 0)); }

# stub NAME BODY: a command NAME on PATH that runs BODY (bash).
mkdir -p "$T/bin"
stub() { printf '#!/bin/bash\n%s\n' "$2" >"$T/bin/$1" && chmod +x "$T/bin/$1"; }
export PATH=$T/bin:$PATH STUB_LOG=$T/log
: >"$STUB_LOG"
stub wine 'echo "wine $*" >>"$STUB_LOG"'
stub wineboot "echo \"wineboot made=\$([ -f \"\$WINEPREFIX/$GL_PREFIX_MADE\" ] && echo yes || echo no)\" >>\"\$STUB_LOG\"
[ \"\${STUB_WINEBOOT_RC:-0}\" = 0 ] || { echo 'stub wineboot: cannot make the prefix' >&2; exit \"\$STUB_WINEBOOT_RC\"; }
touch \"\$WINEPREFIX/system.reg\""
stub wineserver 'echo "wineserver $*" >>"$STUB_LOG"'

# listing DIR: what DIR holds, with sizes, for before/after comparisons.
listing() { (cd "$1" && find . -printf '%p %s\n' | sort); }
