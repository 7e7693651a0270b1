#!/usr/bin/env bash
# Fails when the executable needs a DLL that Windows itself does not ship, or
# is not marked large-address-aware (a 32-bit program gets 4 GB of address
# space on a 64-bit system only when it says it can use it).
set -euo pipefail
objdump=$1 exe=$2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt|ws2_32|version|uxtheme|urlmon)\.dll$'
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
bad=0
for d in $dlls; do
  if [[ ! $d =~ $allowed ]]; then echo "unexpected DLL: $d"; bad=1; fi
done
echo "imports: $(echo $dlls)"
if ! "$objdump" -p "$exe" | grep -qi 'large address aware'; then
  echo "not marked large-address-aware"; bad=1
fi
exit $bad
