# Shared by the project's scripts and their tests (sourced, not run):
#  - a virtual X display that is known to be the script's own;
#  - Wine prefixes that these scripts make, and only those, rebuilt or removed.
# Every function returns nonzero on failure instead of exiting, so callers
# decide (`gl_xvfb_start || exit 1`).

# Marker files inside a prefix. "made" is written before wineboot into every
# prefix these scripts create: it is what allows them to delete or rebuild
# that folder. "ready" follows a successful wineboot. "demo" follows seeding.
GL_PREFIX_MADE=.glimmerlog-made-by-scripts
GL_PREFIX_READY=.glimmerlog-ready
GL_PREFIX_DEMO=.glimmerlog-demo

# gl_alive PID: the process exists and is not a zombie (a child that ended
# but was not waited for still answers kill -0).
gl_alive() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# gl_xvfb_start: starts Xvfb and waits until it accepts connections; exports
# DISPLAY and sets GL_XVFB_PID. The display number is one that shows neither a
# lock file nor a socket in /tmp; the server itself then refuses it if another
# server still holds it (for instance through an abstract socket, from a
# mount namespace whose /tmp this one does not see), and the next number is
# tried. -displayfd tells when the server is ready. Xvfb writes no lock file
# when started that way, so one naming it is written here, for other scripts
# that look for lock files; gl_xvfb_stop removes it.
# GL_XVFB_TIMEOUT (seconds, default 30) bounds the wait for one server.
gl_xvfb_start() {
  local timeout=${GL_XVFB_TIMEOUT:-30} dir n pid num tries=0 tried="" waited
  GL_XVFB_PID="" GL_XVFB_LOCK=""
  dir=$(mktemp -d "${TMPDIR:-/tmp}/glimmerlog-xvfb.XXXXXX") || return 1
  for n in $(seq 90 199); do
    { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
    [ $((tries += 1)) -le 10 ] || break
    tried="$tried :$n"
    : >"$dir/ready"
    Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/ready" >"$dir/log" 2>&1 </dev/null &
    pid=$!
    gl__lock_display "$n" "$pid"
    for ((waited = 0; waited < timeout * 10; waited++)); do
      num=""
      if read -r num <"$dir/ready" && [ "$num" = "$n" ]; then
        export DISPLAY=":$n"
        GL_XVFB_PID=$pid
        rm -rf "$dir"
        return 0
      fi
      gl_alive "$pid" || break
      sleep 0.1
    done
    if gl_alive "$pid"; then
      kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
      gl__unlock_display "$pid"
      echo "Xvfb :$n did not report that it was ready within ${timeout} s" >&2
      rm -rf "$dir"
      return 1
    fi
    wait "$pid" 2>/dev/null
    gl__unlock_display "$pid"
  done
  echo "could not start a virtual X display (Xvfb, tried${tried:- no free number}):" >&2
  [ -s "$dir/log" ] && tail -n 3 "$dir/log" | sed 's/^/  /' >&2
  rm -rf "$dir"
  return 1
}

# gl_xvfb_stop: ends the server gl_xvfb_start started, if any.
gl_xvfb_stop() {
  [ -n "${GL_XVFB_PID:-}" ] || return 0
  kill "$GL_XVFB_PID" 2>/dev/null
  wait "$GL_XVFB_PID" 2>/dev/null
  gl__unlock_display "$GL_XVFB_PID"
  GL_XVFB_PID=""
}

# The lock file as the X server writes it (its PID in ten columns, read-only),
# made with a hard link so that it never replaces one that appeared meanwhile.
gl__lock_display() {
  local tmp
  tmp=$(mktemp /tmp/.glimmerlog-lock.XXXXXX) || return 0
  printf '%10d\n' "$2" >"$tmp" && chmod 444 "$tmp"
  ln "$tmp" "/tmp/.X$1-lock" 2>/dev/null && GL_XVFB_LOCK=/tmp/.X$1-lock
  rm -f "$tmp"
}
gl__unlock_display() {
  local owner=""
  [ -n "${GL_XVFB_LOCK:-}" ] || return 0
  { read -r owner <"$GL_XVFB_LOCK"; } 2>/dev/null
  [ "$owner" = "$1" ] && rm -f "$GL_XVFB_LOCK"
  GL_XVFB_LOCK=""
}

# gl_prefix_prepare PREFIX: makes PREFIX a Wine prefix ready for use, unless
# it is one already. Only a folder that does not exist, is empty, or carries
# the "made" marker is built here; a marked one that never became ready is
# deleted and built again. A non-empty folder without the marker is not these
# scripts' own and is never changed: a Wine prefix is used as it is, anything
# else is refused. A lock beside the prefix keeps parallel first runs from
# racing.
gl_prefix_prepare() {
  local prefix=$1
  mkdir -p "$(dirname "$prefix")" || return 1
  (
    flock 9
    if [ -f "$prefix/$GL_PREFIX_MADE" ]; then
      [ -f "$prefix/$GL_PREFIX_READY" ] && exit 0
      rm -rf "$prefix"
    elif [ -e "$prefix" ] && { [ ! -d "$prefix" ] || [ -n "$(ls -A "$prefix")" ]; }; then
      [ -f "$prefix/system.reg" ] && exit 0
      echo "$prefix is not empty and is not a Wine prefix made by Glimmerlog's scripts; left as it is" >&2
      exit 1
    fi
    mkdir -p "$prefix" || exit 1
    echo "Wine prefix made by Glimmerlog's scripts, which may delete or rebuild it." >"$prefix/$GL_PREFIX_MADE"
    # Prefixes made here are 32-bit, whatever WINEARCH the caller has.
    if ! WINEPREFIX=$prefix WINEARCH=win32 wineboot -i >"$prefix/.glimmerlog-wineboot.log" 2>&1 </dev/null; then
      echo "wineboot could not make the Wine prefix $prefix:" >&2
      tail -n 5 "$prefix/.glimmerlog-wineboot.log" | sed 's/^/  /' >&2
      exit 1
    fi
    WINEPREFIX=$prefix wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "wineboot left no registry in $prefix" >&2; exit 1; }
    touch "$prefix/$GL_PREFIX_READY"
  ) 9>"$prefix.lock"
}

# gl_prefix_remove PREFIX: deletes PREFIX if these scripts made it; refuses
# (nonzero) for any other existing folder.
gl_prefix_remove() {
  [ -e "$1" ] || return 0
  if [ ! -f "$1/$GL_PREFIX_MADE" ]; then
    echo "$1 was not made by Glimmerlog's scripts; not deleting it" >&2
    return 1
  fi
  rm -rf "$1"
}
