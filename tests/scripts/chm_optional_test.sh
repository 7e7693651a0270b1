#!/usr/bin/env bash
# The Windows build configures without the help compiler and its lister:
# configured here into a scratch folder with a PATH that lacks chmcmd and
# chmls (and without CMake's own system folders, which would find them).
set -uo pipefail
src=$1 scratch=$2
command -v i686-w64-mingw32-g++-posix >/dev/null || { echo "SKIP: needs mingw-w64"; exit 77; }
rm -rf "$scratch"
mkdir -p "$scratch/path"
for f in /usr/local/bin/* /usr/bin/* /bin/*; do
  case ${f##*/} in chmcmd* | chmls*) continue ;; esac
  [ -e "$scratch/path/${f##*/}" ] || ln -s "$f" "$scratch/path/"
done
ln -sf "$(command -v python3)" "$scratch/path/python3"
ln -sf "$(command -v cmake)" "$scratch/path/cmake"
if ! PATH=$scratch/path cmake -S "$src" -B "$scratch/build" --preset win32 -DCMAKE_FIND_USE_CMAKE_SYSTEM_PATH=OFF \
     >"$scratch/configure.log" 2>&1; then
  cat "$scratch/configure.log"
  echo "FAIL: the win32 build does not configure without chmcmd and chmls"
  exit 1
fi
tests=$(ctest --test-dir "$scratch/build" -N)
rc=0
grep -q "e2e_start" <<<"$tests" || { echo "FAIL: the end-to-end tests are missing"; rc=1; }
grep -q "e2e_help" <<<"$tests" && { echo "FAIL: the help file is tested without a help file"; rc=1; }
rm -rf "$scratch"
[ $rc = 0 ] && echo "configures without chmcmd and chmls"
exit $rc
