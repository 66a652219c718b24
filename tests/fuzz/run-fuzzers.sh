#!/usr/bin/env bash
# run-fuzzers.sh SOURCE_DIR WORK_DIR SECONDS TESTDATA_DIR [WARNINGS_AS_ERRORS]
#
# Builds the libFuzzer targets (the LZH reading path, ZIP reading and extraction through UnZip,
# and the archivers' command-line parser) with clang, AddressSanitizer and UBSan in a build
# folder of their own, then runs each for a short while, starting from the real archives of the
# test data, the LZH seeds beside this script and small ZIP archives made here by the peer tools.
# A crash, a leak or a sanitizer report fails the test, and so does a compiler warning when
# WARNINGS_AS_ERRORS is ON. Without clang's fuzzer runtime the test says so and is skipped.
set -euo pipefail
src=$1 work=$2 seconds=$3 testdata=$4 werror=${5:-OFF}

if ! command -v clang++ >/dev/null 2>&1 || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "SKIP: clang with libFuzzer is not installed"
  exit 77
fi

build="$work/build-fuzz"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="-fsanitize=address,undefined,fuzzer-no-link" \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link" \
    -DQB_WARNINGS_AS_ERRORS="$werror" >/dev/null
else
  cmake -S "$src" -B "$build" -DQB_WARNINGS_AS_ERRORS="$werror" >/dev/null
fi
if ! cmake --build "$build" -j "$(nproc)" --target fuzz_lzh_reader fuzz_cmdline fuzz_unzip >"$work/build-fuzz.log" 2>&1; then
  cat "$work/build-fuzz.log"
  exit 1
fi

corpus_lzh="$work/corpus-lzh"
corpus_cmd="$work/corpus-cmdline"
mkdir -p "$corpus_lzh" "$corpus_cmd"
cp -n "$testdata"/lzh/*.lzh "$corpus_lzh"/ 2>/dev/null || true
# Self-extractors and the header variants of other systems, built byte by byte (with
# tests/archivers/lzh/LzhHandMade.h, as the tests build them).
cp -n "$src"/tests/fuzz/lzh-seeds/* "$corpus_lzh"/ 2>/dev/null || true
printf '%s' 'u -+ -xr  "-wC:\TEMP\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "D:\OUT\NAME.LZH" "*.*"' > "$corpus_cmd/lzh"
printf '%s' ' -r  -9 "D:\OUT\NAME.ZIP" "*.*"' > "$corpus_cmd/zip"
printf '%s' '-x "D:\OUT\NAME.LZH.ZIP" "C:\TEMP\" "NAME.LZH"' > "$corpus_cmd/unzip"

# Small archives of every kind the ZIP reader meets: deflated, stored, Deflate64, sizes only in
# the directory (bsdtar, zip into a pipe), a folder entry. A tool that is missing adds none.
corpus_zip="$work/corpus-zip"
seed="$work/zip-seed"
mkdir -p "$corpus_zip" "$seed/folder"
printf 'hello hello hello hello\n' > "$seed/a.txt"
seq 1 400 > "$seed/folder/b.txt"
(
  cd "$seed"
  zip -q -r -X "$corpus_zip/zip.zip" . || true
  zip -q -r -X -0 "$corpus_zip/stored.zip" . || true
  zip -q -r -X - . 2>/dev/null | cat > "$corpus_zip/piped.zip" || true
  bsdtar --format zip -cf "$corpus_zip/bsdtar.zip" a.txt folder || true
  7zz a -tzip -mm=Deflate64 -bd -bso0 "$corpus_zip/deflate64.zip" . || true
) >/dev/null 2>&1

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$work"
"$build/src/archivers/fuzz/fuzz_lzh_reader" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
  -print_final_stats=1 "$corpus_lzh"
"$build/src/archivers/fuzz/fuzz_cmdline" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
  -print_final_stats=1 "$corpus_cmd"
# Extraction writes files: its work folder goes to the fuzzer's own temporary folder.
mkdir -p "$work/tmp-unzip"
TMPDIR="$work/tmp-unzip" "$build/src/archivers/fuzz/fuzz_unzip" -max_total_time="$seconds" \
  -rss_limit_mb=1024 -timeout=10 -max_len=16384 -print_final_stats=1 "$corpus_zip"
rm -rf "$work/tmp-unzip"
echo "fuzzers ran ${seconds}s each without a finding"
