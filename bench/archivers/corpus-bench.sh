#!/usr/bin/env bash
# corpus-bench.sh BUILD_DIR [CORPUS_DIR]
#
# Prints the performance table of the archiver modules: each row times our module and the peer
# it is compared with, one after the other in this one run, and gives the ratio of the times
# (ours / peer) and of the archive sizes. Our modules are driven through qbarc exactly as the
# program drives them: one command line, the packed folder as the working directory.
#
# Inputs: the benchmark corpus (bench/make-corpus, 129 MiB in 4,975 files; built on first use
# in CORPUS_DIR, default $QB_CORPUS_DIR or ${TMPDIR:-/tmp}/quillbox2-corpus) and a folder of
# 100,000 small files made here (beside the corpus, also kept for later runs).
# Environment: QUILLBOX2_THREADS as for the modules; QB_BENCH_ROWS="lh5 zip9 ..." runs only
# those rows (names as in ROWS below).
#
# Not a test: the figures depend on the machine and on what else runs on it. Compare ratios
# within one run; the header line says how busy the machine was.
#
# Each row is one function that prints one table line with `row`; add rows the same way.
set -uo pipefail

build=$(cd "${1:?usage: corpus-bench.sh BUILD_DIR [CORPUS_DIR]}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
corpus=${2:-${QB_CORPUS_DIR:-${TMPDIR:-/tmp}/quillbox2-corpus}}
if [ ! -d "$corpus/tree" ] || [ ! -f "$corpus/.complete" ]; then
  "$here/../make-corpus" "$corpus" >&2 || { echo "corpus-bench: no corpus" >&2; exit 1; }
fi
tree="$corpus/tree"
many="$corpus/many-files"
qbarc="$build/qbarc"
export QUILLBOX2_SYSTEM_DIR="$build/system"
out=$(mktemp -d "${TMPDIR:-/tmp}/qb-bench.XXXXXX")
trap 'rm -rf "$out"' EXIT
have() { command -v "$1" >/dev/null 2>&1; }

# measure DIR OUTPUT COMMAND...: runs the command in DIR (OUTPUT removed first) and sets
# WALL (seconds), CPU (user and system seconds), PEAK (MB of the largest process), SIZE (bytes
# of OUTPUT, 0 when missing) and RC. T is "WALL s (cpu CPU s)" for the table.
measure() {
  local dir=$1 file=$2; shift 2
  rm -rf "$file"
  ( cd "$dir" && /usr/bin/time -f '%e %M %U %S' -o "$out/time.txt" "$@" >/dev/null 2>&1 )
  RC=$?
  local user sys
  read -r WALL kb user sys < "$out/time.txt" 2>/dev/null || { WALL=0; kb=0; user=0; sys=0; }
  CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.1f", u + s }')
  T="$WALL s (cpu $CPU s)"
  PEAK=$((kb / 1024))
  SIZE=0
  [ -f "$file" ] && SIZE=$(stat -c %s "$file")
  if [ "$RC" -ne 0 ]; then echo "corpus-bench: $* exited with $RC" >&2; fi
}
ratio() { awk -v a="$1" -v b="$2" -v d="${3:-2}" 'BEGIN { if (b > 0) printf "%.*f", d, a / b; else print "-" }'; }

# row LABEL OURS PEER TIME_RATIO SIZE_RATIO GOAL
row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }

# Packing rows: our module, then the peer, on the whole corpus.
row_lh5() {
  have jlha || return 0
  measure "$tree" "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x \"$out/a.lzh\" \"*.*\""
  local w=$WALL s=$SIZE t=$T
  measure "$tree" "$out/j.lzh" jlha aqo5 "$out/j.lzh" .
  row "LZH -lh5- pack" "$t" "jlha $T" "$(ratio "$w" "$WALL")×" "$(ratio "$s" "$SIZE" 4)×" "≤ 0.10×, size ≤ 0.99×"
}

row_lh7() {
  have jlha || return 0
  measure "$tree" "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x -o7 \"$out/a.lzh\" \"*.*\""
  local w=$WALL s=$SIZE t=$T
  measure "$tree" "$out/j.lzh" jlha aqo7 "$out/j.lzh" .
  row "LZH -lh7- pack" "$t" "jlha $T" "$(ratio "$w" "$WALL")×" "$(ratio "$s" "$SIZE" 4)×" "≤ 0.35×, size ≤ 0.97×"
}

row_zip9() {
  have 7zz || return 0
  measure "$tree" "$out/a.zip" "$qbarc" ZIP32J.DLL "-r -9 \"$out/a.zip\" \"*.*\""
  local w=$WALL s=$SIZE t=$T
  measure "$tree" "$out/s.zip" 7zz a -tzip -mx=5 "$out/s.zip" .
  local w7=$WALL t7=$T
  local zs=0
  if have zip; then
    measure "$tree" "$out/z.zip" zip -q -r -9 "$out/z.zip" .
    zs=$SIZE
  fi
  row "ZIP -9 pack" "$t" "7zz -mx=5 $t7" "$(ratio "$w" "$w7")×" "$(ratio "$s" "$zs" 4)× zip -9's" "≤ 0.35×, size ≤ zip -9's"
}

# Extraction rows: the archive is made by our module (not timed), then extracted by ours and by
# the peer into fresh folders. Two things of the disk would land in the wrong tool's time, so
# both are kept out: the writeback of what the tool before wrote (all is written back before
# each tool starts), and removed files: for a while after many files are removed, this file
# system (ext4 without a journal) passes over their inode numbers one by one for every new
# file, which can double the system time of any tool. So no output is removed until the run
# ends; start a run no sooner than a minute or two after removing many files. What is left of
# such drifts is evened out by running each tool twice, in the order ours, peer, peer, ours, and
# keeping each tool's faster run.
settle() {
  sync
  sleep 1
}

# extract_row LABEL MODULE COMMAND PEER-NAME GOAL PEER-COMMAND...: COMMAND is our module's
# command line with @OUT@ for the folder it extracts into; the peer runs inside a fresh folder.
extract_row() {
  local label=$1 module=$2 command=$3 peer=$4 goal=$5
  shift 5
  local n=$((++extractions))
  local ours=() peers=() i
  for i in 1 2 3 4; do
    settle
    if [ "$i" = 1 ] || [ "$i" = 4 ]; then
      mkdir -p "$out/ours-$n-$i"
      measure "$out" "$out/none" "$qbarc" "$module" "${command//@OUT@/$out/ours-$n-$i}"
      ours+=("$WALL $T")
    else
      mkdir -p "$out/peer-$n-$i"
      measure "$out/peer-$n-$i" "$out/none" "$@"
      peers+=("$WALL $T")
    fi
  done
  local best best_peer
  best=$(printf '%s\n' "${ours[@]}" | sort -n | head -1)
  best_peer=$(printf '%s\n' "${peers[@]}" | sort -n | head -1)
  row "$label" "${best#* }" "$peer ${best_peer#* }" "$(ratio "${best%% *}" "${best_peer%% *}")×" "" "$goal"
}
extractions=0

row_xlzh() {
  have lhasa || return 0
  ( cd "$tree" && "$qbarc" UNLHA32.DLL "a -r2 -x \"$out/x.lzh\" \"*.*\"" >/dev/null 2>&1 )
  extract_row "LZH extraction (our -lh5- archive), best of 2" UNLHA32.DLL \
    "x \"$out/x.lzh\" \"@OUT@/\"" "lhasa x" "≤ 0.5×" lhasa x "$out/x.lzh"
}

row_xzip() {
  have unzip || return 0
  ( cd "$tree" && "$qbarc" ZIP32J.DLL "-r -9 \"$out/x.zip\" \"*.*\"" >/dev/null 2>&1 )
  extract_row "ZIP extraction (our -9 archive), best of 2" UNZIP32.DLL \
    "-x \"$out/x.zip\" \"@OUT@\"" unzip "≤ 0.8×" unzip -q "$out/x.zip"
}

# A folder of 100,000 small files (100 folders of 1,000; 50 to 2,000 bytes of text each), the
# same on every machine.
make_many() {
  [ -f "$many/.complete" ] && return 0
  rm -rf "$many" && mkdir -p "$many"
  awk -v root="$many" 'BEGIN {
    srand(13)
    for (d = 0; d < 100; d++) {
      dir = sprintf("%s/dir%03d", root, d)
      system("mkdir -p " dir)
      for (f = 0; f < 1000; f++) {
        file = sprintf("%s/file%04d.txt", dir, f)
        n = 50 + int(rand() * 1950)
        s = ""
        while (length(s) < n) s = s "word" int(rand() * 500) " "
        printf "%s", substr(s, 1, n) > file
        close(file)
      }
    }
  }' && touch "$many/.complete"
}

# 100,000 files: time and peak memory of a fresh pack (also with eight threads), then of an
# update of the unchanged folder, which must cost at most a fifth of the pack. LZH and ZIP.
# Then the peak memory of listing and testing that archive.
# many_rows NAME MODULE ARCHIVE PACK-COMMAND UPDATE-COMMAND READ-MODULE LIST-COMMAND TEST-COMMAND
many_rows() {
  local name=$1 module=$2 archive=$3 pack=$4 update=$5 reader=$6 list=$7 test=$8
  QUILLBOX2_THREADS=8 measure "$many" "$archive" "$qbarc" "$module" "$pack"
  local peak8=$PEAK
  measure "$many" "$archive" "$qbarc" "$module" "$pack"
  local w=$WALL t=$T p=$PEAK
  row "100,000 files: $name pack" "$t, $p MB (8 threads: $peak8 MB)" "" "" "" "< 64 MB"
  cp "$archive" "$out/m.before"
  ( cd "$many" && /usr/bin/time -f '%e %M %U %S' -o "$out/time.txt" "$qbarc" "$module" "$update" >/dev/null 2>&1 )
  local uw ukb uu us
  read -r uw ukb uu us < "$out/time.txt"
  local same="changed!"
  cmp -s "$archive" "$out/m.before" && same="unchanged"
  row "100,000 files: $name update, nothing changed" "$uw s (cpu $(awk -v u="$uu" -v s="$us" 'BEGIN { printf "%.1f", u + s }') s), $((ukb / 1024)) MB; archive $same" \
    "" "$(ratio "$uw" "$w")× of the pack" "" "≤ 0.20×, < 64 MB"
  measure "$out" "$out/none" "$qbarc" "$reader" "$list"
  local lt=$T lp=$PEAK
  measure "$out" "$out/none" "$qbarc" "$reader" "$test"
  row "100,000 files: $name list / test" "$lt, $lp MB / $T, $PEAK MB" "" "" "" "< 64 MB"
  rm -f "$archive" "$out/m.before"
}

row_many() {
  make_many || return 0
  many_rows LZH UNLHA32.DLL "$out/m.lzh" "a -r2 -x \"$out/m.lzh\" \"*.*\"" "u -r2 -x \"$out/m.lzh\" \"*.*\"" \
    UNLHA32.DLL "l \"$out/m.lzh\"" "t \"$out/m.lzh\""
  many_rows ZIP ZIP32J.DLL "$out/m.zip" "-r -9 \"$out/m.zip\" \"*.*\"" "-r -9 \"$out/m.zip\" \"*.*\"" \
    UNZIP32.DLL "-l \"$out/m.zip\"" "-t \"$out/m.zip\""
}

# Peak memory of the corpus packs with eight threads, whatever the machine has.
row_memory() {
  QUILLBOX2_THREADS=8 measure "$tree" "$out/a.lzh" "$qbarc" UNLHA32.DLL "a -r2 -x -o7 \"$out/a.lzh\" \"*.*\""
  local l=$PEAK
  QUILLBOX2_THREADS=8 measure "$tree" "$out/a.zip" "$qbarc" ZIP32J.DLL "-r -9 \"$out/a.zip\" \"*.*\""
  row "peak memory, 8 threads (-lh7- / ZIP -9)" "$l MB / $PEAK MB" "" "" "" "< 64 MB"
}

ROWS=(lh5 lh7 zip9 xlzh xzip memory many)
[ -n "${QB_BENCH_ROWS:-}" ] && read -r -a ROWS <<< "$QB_BENCH_ROWS"

cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)
echo "machine: $(nproc) cores available ($cpu), $(awk '/MemTotal/ { printf "%.0f", $2 / 1048576 }' /proc/meminfo) GB;" \
  "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg); threads: ${QUILLBOX2_THREADS:-all cores}"
echo "input: $(find "$tree" -type f | wc -l) files, $(find "$tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }') bytes;" \
  "$(date -u '+%Y-%m-%d %H:%M UTC')"
echo
row "" "ours" "peer" "time ratio" "size ratio" "goal"
row "---" "---" "---" "---" "---" "---"
for r in "${ROWS[@]}"; do
  "row_$r"
done
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
