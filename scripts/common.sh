# Shared by the project's scripts and their tests (sourced, not run):
#  - the main window's title, from the version in CMakeLists.txt;
#  - a virtual X display that is known to be this script's own;
#  - Wine prefixes that these scripts make, and only those, rebuilt or removed;
#  - ending only what a script started: its own process group, and a prefix's
#    wineserver only when none ran for that prefix before.
# Every function returns nonzero on failure instead of exiting, so callers
# decide (`gl_xvfb_start || exit 1`).

# Marker files inside a prefix. "made" is written before wineboot into every
# prefix these scripts create: it is what allows them to delete or rebuild
# that folder. "ready" follows a successful wineboot. "demo" follows seeding.
GL_PREFIX_MADE=.glimmerlog-made-by-scripts
GL_PREFIX_READY=.glimmerlog-ready
GL_PREFIX_DEMO=.glimmerlog-demo

# gl_window_title ROOT: "Glimmerlog <version>", the version taken from the
# project() line of ROOT/CMakeLists.txt.
gl_window_title() {
  local version
  version=$(sed -n 's/^project(glimmerlog VERSION \([0-9][0-9.]*\).*/\1/p' "$1/CMakeLists.txt" 2>/dev/null)
  [ -n "$version" ] || { echo "no project version in $1/CMakeLists.txt" >&2; return 1; }
  echo "Glimmerlog $version"
}

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
    Xvfb ":$n" -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$dir/ready" >"$dir/log" 2>&1 </dev/null &
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

# gl_xvfb_stop: ends the server gl_xvfb_start started, if any: TERM, then
# KILL after 5 s, so that a cleanup never hangs on it.
gl_xvfb_stop() {
  local i
  [ -n "${GL_XVFB_PID:-}" ] || return 0
  kill "$GL_XVFB_PID" 2>/dev/null
  for ((i = 0; i < 50; i++)); do
    gl_alive "$GL_XVFB_PID" || break
    sleep 0.1
  done
  gl_alive "$GL_XVFB_PID" && kill -KILL "$GL_XVFB_PID" 2>/dev/null
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

# gl_wineserver_pid PREFIX: the PID of the wineserver that serves PREFIX, or
# nothing. The server runs in a folder named server-<device>-<inode> (hex) of
# the prefix folder (under /tmp/.wine-<uid>, or /tmp/wine-XXXXXX on Debian);
# its working folder gives it away.
gl_wineserver_pid() {
  local id p comm cwd
  id=$(stat -L -c '%d %i' "$1" 2>/dev/null) || return 0
  # shellcheck disable=SC2086
  id=$(printf 'server-%x-%x' $id)
  for p in /proc/[0-9]*; do
    { read -r comm <"$p/comm"; } 2>/dev/null || continue
    case $comm in wineserver*) ;; *) continue ;; esac
    cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
    if [ "${cwd##*/}" = "$id" ]; then echo "${p#/proc/}"; return 0; fi
  done
}

# gl_wineserver_end PREFIX: ends PREFIX's wineserver and every Wine process
# in it. Call it only for a server the script started (gl_wineserver_pid was
# empty before).
gl_wineserver_end() {
  [ -n "$(gl_wineserver_pid "$1")" ] || return 0
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}

# gl_copies_running PREFIX NAME: PIDs of processes whose program is NAME
# (compared without case, path stripped, "/" or "\") and whose Wine prefix is
# PREFIX (their WINEPREFIX, or ~/.wine without one).
gl_copies_running() {
  local prefix=$1 name=${2,,} p arg0 var theirs home found=""
  for p in /proc/[0-9]*; do
    { IFS= read -r -d '' arg0 <"$p/cmdline"; } 2>/dev/null || continue
    arg0=${arg0##*[/\\]}
    [ "${arg0,,}" = "$name" ] || continue
    theirs="" home=""
    while IFS= read -r -d '' var; do
      case $var in WINEPREFIX=*) theirs=${var#*=} ;; HOME=*) home=${var#*=} ;; esac
    done 2>/dev/null <"$p/environ"
    [ -n "$theirs" ] || theirs=${home:-$HOME}/.wine
    [ "$theirs" -ef "$prefix" ] && found="$found ${p#/proc/}"
  done
  echo "${found# }"
}

# gl_group_end PGID: ends a process group that the script started (with
# setsid, so PGID is the PID of its first process): TERM, then KILL after 5 s.
gl_group_end() {
  local i
  [ -n "$1" ] || return 0
  kill -TERM -- "-$1" 2>/dev/null || return 0
  for i in $(seq 1 50); do
    kill -0 -- "-$1" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL -- "-$1" 2>/dev/null || true
}

# gl_group_has PGID NAME: some process of the group runs program NAME.
gl_group_has() {
  local p stat arg0 fields
  for p in /proc/[0-9]*; do
    { read -r stat <"$p/stat"; } 2>/dev/null || continue
    read -r -a fields <<<"${stat##*) }"   # state, parent, process group, ...
    [ "${fields[2]}" = "$1" ] || continue
    { IFS= read -r -d '' arg0 <"$p/cmdline"; } 2>/dev/null || continue
    arg0=${arg0##*[/\\]}
    [ "${arg0,,}" = "${2,,}" ] && return 0
  done
  return 1
}

# gl_image_colours FILE: how many colours the picture holds (0 when it
# cannot be read).
gl_image_colours() {
  convert "$1" -format '%k' info: 2>/dev/null || echo 0
}

# gl_start_on_desktop TITLE SIZE EXE: starts EXE under Wine on a Wine desktop
# of SIZE (Wine draws the window frames there, as a bare virtual display has
# no window manager), in a process group of its own whose ID is left in
# GL_GROUP for gl_group_end. Waits until a window titled TITLE is on the
# display (GL_WINDOW_TIMEOUT seconds, default 60); fails, saying why, when the
# program ends first or the window does not come.
gl_start_on_desktop() {
  local title=$1 size=$2 exe=$3 name seen=0 i
  name=${exe##*/}
  setsid wine explorer "/desktop=Glimmerlog,$size" "$exe" >/dev/null 2>&1 </dev/null &
  GL_GROUP=$!
  for ((i = 0; i < ${GL_WINDOW_TIMEOUT:-60} * 10; i++)); do
    xwininfo -root -tree 2>/dev/null | grep -qF "\"$title\"" && return 0
    if gl_group_has "$GL_GROUP" "$name"; then
      seen=1
    # Until setsid has run, the group does not exist yet but the process does.
    elif [ "$seen" = 1 ] || { ! kill -0 -- "-$GL_GROUP" 2>/dev/null && ! kill -0 "$GL_GROUP" 2>/dev/null; }; then
      echo "$name ended before its window appeared (does a copy run in this Wine prefix already?)" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "no window titled '$title' appeared within ${GL_WINDOW_TIMEOUT:-60} s" >&2
  return 1
}
