#!/usr/bin/env bash
# The compiled help file lists every page, its contents and its index.
set -euo pipefail
chmls=$1 chm=$2
[ -s "$chm" ] || { echo "no help file at $chm"; exit 1; }
listing=$("$chmls" list "$chm")
for page in index.html views.html history.html indexdat.html folders.html registry.html explorer.html profile.html toc.hhc index.hhk; do
  grep -q "/$page\$" <<<"$listing" || { echo "missing page: $page"; exit 1; }
done
echo "help file holds its pages"
