#!/usr/bin/env bash
# The version has one source, project(VERSION) in CMakeLists.txt. Fails when
# the program's sources, resources or scripts write it by hand. Tests may keep
# the window caption as a literal, since that text is fixed.
set -euo pipefail
src=$1
version=$(sed -n 's/^project(glimmerlog VERSION \([0-9]*\.[0-9]*\).*/\1/p' "$src/CMakeLists.txt")
[ -n "$version" ] || { echo "no project(glimmerlog VERSION x.y) in CMakeLists.txt"; exit 1; }
major=${version%%.*} minor=${version#*.}
found=$(grep -rnE "(^|[^0-9.])$major[.,] ?$minor([^0-9]|$)" \
          "$src/app" "$src/views" "$src/registry" "$src/scripts" "$src/help" "$src/tests/e2e" 2>/dev/null || true)
if [ -n "$found" ]; then
  echo "version $version written by hand (derive it from project(VERSION)):"
  echo "$found"
  exit 1
fi
echo "version $version has one source"
