#!/usr/bin/env bash
# Fails when the executable needs a DLL that Windows itself does not ship, or
# is not marked large-address-aware (a 32-bit program gets 4 GB of address
# space on a 64-bit system only when it says it can use it).
set -euo pipefail
objdump=$1 exe=$2
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|msvcrt|ws2_32|version|uxtheme|urlmon)\.dll$'
headers=$("$objdump" -p "$exe")
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
bad=0
for d in $dlls; do
  if [[ ! $d =~ $allowed ]]; then echo "unexpected DLL: $d"; bad=1; fi
done
echo "imports: $(echo $dlls)"
if ! grep -qi 'large address aware' <<<"$headers"; then
  echo "not marked large-address-aware"; bad=1
fi
exit $bad
