#!/usr/bin/env bash
# corpus-bench.sh BUILD_DIR [CORPUS_DIR]
#
# Packs the whole benchmark corpus (../shared/bench/make-corpus) once with each archiver and
# prints, side by side: wall time, MB/s of input, output size and peak memory. Our modules are
# driven through qbarc exactly as the program drives them: one command line, the corpus folder as
# the working directory. Peers that are not installed are skipped.
#
# Not a test: the figures depend on the machine. Compare ratios within one run.
set -uo pipefail

build=$(cd "${1:?usage: corpus-bench.sh BUILD_DIR [CORPUS_DIR]}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
corpus=${2:-${QB_CORPUS_DIR:-$root/../corpus}}
if [ ! -d "$corpus/tree" ]; then
  "$root/../shared/bench/make-corpus" "$corpus" >&2 || { echo "corpus-bench: no corpus" >&2; exit 1; }
fi
tree="$corpus/tree"
qbarc="$build/qbarc"
export QUILLBOX2_SYSTEM_DIR="$build/system"
out=$(mktemp -d "${TMPDIR:-/tmp}/qb-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
input_bytes=$(find "$tree" -type f -printf '%s\n' | awk '{s+=$1} END {print s+0}')

printf '%-26s %9s %9s %12s %9s\n' "archiver" "wall s" "MB/s" "output B" "peak MB"
run() {  # name, output file, command...
  local name=$1 file=$2; shift 2
  rm -f "$file"
  local tfile="$out/time.txt"
  ( cd "$tree" && /usr/bin/time -f '%e %M' -o "$tfile" "$@" >/dev/null 2>&1 )
  local rc=$?
  read -r wall kb < "$tfile" 2>/dev/null || { wall=0; kb=0; }
  local size=0
  [ -f "$file" ] && size=$(stat -c %s "$file")
  local mbs
  mbs=$(awk -v b="$input_bytes" -v w="$wall" 'BEGIN { if (w > 0) printf "%.1f", b / 1048576 / w; else print "-" }')
  printf '%-26s %9s %9s %12s %9s%s\n' "$name" "$wall" "$mbs" "$size" "$((kb / 1024))" \
    "$([ $rc -ne 0 ] && echo "  (exit $rc)")"
  rm -f "$file"
}

if [ -x "$qbarc" ]; then
  run "ours LZH -lh5-"   "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x \"$out/a.lzh\" \"*.*\""
  run "ours LZH -lh7-"   "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x -o7 \"$out/a.lzh\" \"*.*\""
  run "ours LZH -lh0-"   "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x -z1 \"$out/a.lzh\" \"*.*\""
  run "ours ZIP -9"      "$out/a.zip" "$qbarc" ZIP32J.DLL "-r -9 \"$out/a.zip\" \"*.*\""
  run "ours ZIP -0"      "$out/a.zip" "$qbarc" ZIP32J.DLL "-r -0 \"$out/a.zip\" \"*.*\""
fi
command -v zip  >/dev/null && run "zip -r -9"        "$out/z.zip" zip -q -r -9 "$out/z.zip" .
command -v zip  >/dev/null && run "zip -r -0"        "$out/z.zip" zip -q -r -0 "$out/z.zip" .
command -v 7zz  >/dev/null && run "7zz a -tzip -mx=5" "$out/s.zip" 7zz a -tzip -mx=5 "$out/s.zip" .
command -v 7zz  >/dev/null && run "7zz a -tzip -mx=9" "$out/s.zip" 7zz a -tzip -mx=9 "$out/s.zip" .
command -v jlha >/dev/null && run "jlha aqo5"        "$out/j.lzh" jlha aqo5 "$out/j.lzh" .
command -v jlha >/dev/null && run "jlha aqo7"        "$out/j.lzh" jlha aqo7 "$out/j.lzh" .
run "tar cf" "$out/t.tar" tar cf "$out/t.tar" .
echo "input: $input_bytes bytes in $(find "$tree" -type f | wc -l) files"
