#!/usr/bin/env bash
# Packs a folder silently with an installed program, in LZH and in ZIP, from a clean
# environment and with the build tree's modules out of reach; then lists the archive with the
# installed qbarc. Used by the relocated-install and the package tests.
#
#   pack_with_installed.sh PREFIX BUILD_DIR
#
# Where the system allows a private mount namespace, the build tree's modules folder is covered
# by an empty one, so a program that still looked there would fail here.
set -euo pipefail
prefix=$1
build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/qb-installed-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for f in bin/quillbox2 bin/qbarc lib/quillbox2/UNLHA32.DLL lib/quillbox2/ZIP32J.DLL \
         lib/quillbox2/IZIP32J.DLL lib/quillbox2/UNZIP32.DLL share/quillbox2/QUILLBOX2.html; do
  [ -e "$prefix/$f" ] || fail "not installed: $prefix/$f"
done

mkdir -p "$work/data/abc/sub" "$work/out" "$work/tmp" "$work/config" "$work/home"
printf 'hello, archive\n' > "$work/data/abc/readme.txt"
head -c 70000 /dev/zero | tr '\0' 'q' > "$work/data/abc/sub/data.bin"

# Drive form of a host path under the default drive table (C: is /).
drive() { printf 'C:%s' "${1//\//\\}"; }

settings() {  # settings FORMAT(0 LZH, 1 ZIP)
  printf '[Quillbox2]\nAuto=True\nAutoExe=0\nAshukuExe=%s\nDir_Out=%s\nTmpDir=%s\\\n' \
    "$1" "$(drive "$work/out")" "$(drive "$work/tmp")" > "$work/config/Brambleworks.ini"
}

hide_build=()
if [ -d "$build/system" ] && unshare -rm true 2>/dev/null; then
  hide_build=(unshare -rm sh -c 'mount -t tmpfs none "$0" && exec "$@"' "$build/system")
fi

run() {
  env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
      QT_QPA_PLATFORM=offscreen TMPDIR="$work/tmp" LANG=C.UTF-8 \
      "${hide_build[@]}" "$@"
}

settings 0
run "$prefix/bin/quillbox2" "$work/data/abc" > "$work/lzh.out" 2>&1 ||
  fail "LZH run ended with $? : $(cat "$work/lzh.out")"
lhasa t "$work/out/ABC.LZH" >/dev/null || fail "lhasa t refuses ABC.LZH"

settings 1
run "$prefix/bin/quillbox2" "$work/data/abc" > "$work/zip.out" 2>&1 ||
  fail "ZIP run ended with $? : $(cat "$work/zip.out")"
unzip -t "$work/out/ABC.ZIP" >/dev/null || fail "unzip -t refuses ABC.ZIP"

listing=$(run "$prefix/bin/qbarc" UNLHA32.DLL l "$work/out/ABC.LZH") || fail "qbarc l: $listing"
grep -q 'readme.txt' <<<"$listing" || fail "qbarc does not list readme.txt: $listing"
grep -q 'data.bin' <<<"$listing" || fail "qbarc does not list sub/data.bin: $listing"
listing=$(run "$prefix/bin/qbarc" UNZIP32.DLL -l "$work/out/ABC.ZIP") || fail "qbarc -l: $listing"
grep -q 'readme.txt' <<<"$listing" || fail "qbarc does not list readme.txt of the ZIP: $listing"
echo "packed and listed with $prefix"
