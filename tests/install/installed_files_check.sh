#!/usr/bin/env bash
# What an installed tree must hold and say, whatever made it (cmake --install --strip or the
# Debian package): no path of the source or build tree inside the programs and modules (strings,
# RPATH/RUNPATH); the copyright file with the project's licence and the notices of the linked
# libraries, and the changelog of this version; both manual pages in both languages; the short
# options and a bad option of quillbox2, and qbarc's help naming every module and command.
#
#   installed_files_check.sh PREFIX SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
prefix=$1
src=$(cd "$2" && pwd)
build=$(cd "$3" && pwd)
version=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/qb-files-XXXXXX")
trap 'rm -rf "$work"' EXIT

programs=("$prefix"/bin/quillbox2 "$prefix"/bin/qbarc "$prefix"/lib/quillbox2/UNLHA32.DLL
          "$prefix"/lib/quillbox2/ZIP32J.DLL "$prefix"/lib/quillbox2/IZIP32J.DLL
          "$prefix"/lib/quillbox2/UNZIP32.DLL)
for f in "${programs[@]}"; do
  [ -f "$f" ] || fail "not installed: $f"
  for tree in "$src" "$build"; do
    if strings -a "$f" | grep -F "$tree" >"$work/found"; then
      fail "$f holds the path $tree: $(head -n3 "$work/found")"
    fi
  done
  # Only \$ORIGIN (the modules find IZIP32J.DLL beside them) may be a search path.
  paths=$(readelf -d "$f" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')
  [ -z "$paths" ] || [ "$paths" = '$ORIGIN' ] || fail "$f searches libraries in $paths"
done

doc=$prefix/share/doc/quillbox2
[ -f "$doc/copyright" ] || fail "no $doc/copyright"
grep -qxF "Copyright (c) 2026 The Quillbox2 developers" "$doc/copyright" ||
  fail "the copyright file lacks the project's copyright line"
cmp -s <(sed -n '/^MIT License$/,/^SOFTWARE\.$/p' "$doc/copyright") "$src/LICENSE" ||
  fail "the copyright file does not hold LICENSE as it is"
for notice in "Qt 6" LGPL-3 libzip "BSD 3-clause" liblhasa "ISC licence" libdeflate zlib ICU \
              fonts-ipafont-mincho; do
  grep -qF "$notice" "$doc/copyright" || fail "the copyright file does not mention $notice"
done
[ -f "$doc/changelog.gz" ] || fail "no $doc/changelog.gz"
top=$(zcat "$doc/changelog.gz" | head -n1)
[[ "$top" == "quillbox2 ($version) "* ]] || fail "the changelog begins with '$top', not version $version"

for page in man1/quillbox2.1.gz ja/man1/quillbox2.1.gz man1/qbarc.1.gz ja/man1/qbarc.1.gz; do
  [ -s "$prefix/share/man/$page" ] || fail "no manual page share/man/$page"
done
zcat "$prefix/share/man/man1/qbarc.1.gz" | grep -q '^\.TH QBARC 1 .*Quillbox2 '"$version" ||
  fail "qbarc(1) does not carry version $version"

run() {  # run PROGRAM ARGS...: status, standard output and standard error into $work
  local status=0
  env -i PATH=/usr/bin:/bin HOME="$work" XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=offscreen \
      LANG=C.UTF-8 "$@" >"$work/out" 2>"$work/err" || status=$?
  echo "$status"
}
q=$prefix/bin/quillbox2
[ "$(run "$q" -h)" = 0 ] && grep -q '^usage: quillbox2' "$work/out" || fail "quillbox2 -h: $(cat "$work/out" "$work/err")"
cmp -s "$work/out" <(env -i LANG=C.UTF-8 "$q" --help) || fail "quillbox2 -h and --help differ"
[ "$(run "$q" -V)" = 0 ] && grep -qx "Quillbox2 $version" "$work/out" || fail "quillbox2 -V: $(cat "$work/out" "$work/err")"
for bad in -x -platform -hV -; do
  status=$(run "$q" "$bad" /tmp)
  [ "$status" = 64 ] || fail "quillbox2 $bad ended with $status, not 64"
  grep -qF "unknown option $bad" "$work/err" && grep -q '^usage: quillbox2' "$work/err" ||
    fail "quillbox2 $bad says: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "quillbox2 $bad wrote to standard output"
done

for help in --help -h; do
  status=$(run "$prefix/bin/qbarc" "$help")
  [ "$status" = 0 ] || fail "qbarc $help ended with $status: $(cat "$work/err")"
  for word in UNLHA32.DLL ZIP32J.DLL IZIP32J.DLL UNZIP32.DLL "a  add or replace" "u  add files" \
              "x  extract with folders" "e  extract without" "l  list" "t  test" "d  delete" \
              "-x ARCHIVE FOLDER" "-t ARCHIVE" "-l ARCHIVE" "-r subfolders" --progress; do
    grep -qF -- "$word" "$work/out" || fail "qbarc $help does not tell of '$word'"
  done
done
[ "$(run "$prefix/bin/qbarc" --version)" = 0 ] && grep -qx "qbarc (Quillbox2) $version" "$work/out" ||
  fail "qbarc --version: $(cat "$work/out" "$work/err")"
echo "installed files of $prefix are fine"
