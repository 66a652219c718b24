#!/usr/bin/env bash
# The files the desktop reads: the desktop entry and the Dolphin service menu pass
# desktop-file-validate (which knows no KDE "Service" type: only its complaints about that
# type are let through), the Nemo actions and the Nautilus script are well formed and run the
# silent pack command, and the manual pages of quillbox2 and qbarc render without troff errors
# in both languages and tell of every option.
#
#   desktop_files_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v desktop-file-validate >/dev/null || { echo "SKIP: desktop-file-validate (desktop-file-utils) is not installed"; exit 77; }

entry=$src/src/app/resources/quillbox2.desktop
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop entry: $out"
[ -z "$out" ] || fail "desktop entry: $out"
grep -q '^MimeType=.*inode/directory' "$entry" && fail "the desktop entry claims folders"
grep -q '^Exec=quillbox2 %F$' "$entry" || fail "the desktop entry does not take folders with %F"

fm=$build/packaging/filemanager
out=$(desktop-file-validate "$fm/quillbox2-pack.desktop" 2>&1 | grep -v 'but the type is "Service"' || true)
[ -z "$out" ] || fail "service menu: $out"
for format in lzh zip; do
  grep -q "^Exec=quillbox2 --silent --notify --format $format -- %F\$" "$fm/quillbox2-pack.desktop" ||
    fail "the service menu has no $format action"
  action=$fm/quillbox2-pack-$format.nemo_action
  [ "$(head -n1 "$action")" = "[Nemo Action]" ] || fail "$action: no [Nemo Action] group"
  for line in "Exec=quillbox2 --silent --notify --format $format -- %F" "Selection=notnone" "Extensions=dir;"; do
    grep -qxF "$line" "$action" || fail "$action lacks: $line"
  done
done
sh -n "$src/src/app/resources/filemanager/nautilus-script.sh" || fail "the Nautilus script does not parse"

for lang in en ja; do
  for name in quillbox2 qbarc; do
    page=$build/packaging/man/$lang/$name.1.gz
    [ -s "$page" ] || fail "no manual page $page"
    # Japanese lines have no spaces to break at; only the English pages must set without warnings.
    warnings=-ww
    [ "$lang" = ja ] && warnings="-ww -W break"
    # shellcheck disable=SC2086
    errors=$(zcat "$page" | groff -k -man -Tutf8 $warnings -z 2>&1) || fail "$lang $name page: $errors"
    [ -z "$errors" ] || fail "$lang $name page: $errors"
  done
  text=$(zcat "$build/packaging/man/$lang/quillbox2.1.gz" | groff -k -man -Tutf8 2>/dev/null | sed 's/.\x08//g')
  for option in -h, --help -V, --version --format --mode --pattern --out --beside --test --no-test --sync \
                --no-sync --lzh-names --zip-names --silent --notify \
                --install-file-manager-actions --remove-file-manager-actions /U QUILLBOX2_DRIVES 64; do
    grep -qF -- "$option" <<<"$text" || fail "$lang page does not mention $option"
  done
  text=$(zcat "$build/packaging/man/$lang/qbarc.1.gz" | groff -k -man -Tutf8 2>/dev/null | sed 's/.\x08//g')
  for word in UNLHA32.DLL ZIP32J.DLL IZIP32J.DLL UNZIP32.DLL --progress -h, --help -V, --version \
              QUILLBOX2_SYSTEM_DIR quillbox2\(1\); do
    grep -qF -- "$word" <<<"$text" || fail "$lang qbarc page does not mention $word"
  done
done
echo "desktop files and manual pages are fine"
