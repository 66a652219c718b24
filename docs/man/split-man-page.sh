#!/bin/sh
# Makes one language's manual page from the source that holds both:
#   split-man-page.sh SOURCE LANGUAGE(en|ja) VERSION OUTPUT
# A line "@en text" goes only into the English page, "@ja text" only into the Japanese one
# (without the mark); every other line goes into both. The page is written gzip-compressed.
set -eu
src=$1 lang=$2 version=$3 out=$4
awk -v lang="$lang" -v version="$version" '
  /^@(en|ja) / { if (substr($0, 2, 2) != lang) next; $0 = substr($0, 5) }
  { gsub(/@VERSION@/, version); print }
' "$src" | gzip -9n > "$out.tmp"
mv "$out.tmp" "$out"
