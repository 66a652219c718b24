#!/usr/bin/env bash
# The Debian package: made with cpack from the build folder, named quillbox2_<version>_<arch>.deb,
# with Depends from the shared libraries plus the fonts, Qt's platform plugins and Qt's
# translations, holding every installed file, without the end-to-end script player; unpacked
# with dpkg-deb -x into a temporary root, its files pass installed_files_check.sh (copyright,
# changelog, manual pages, no build path, the command lines) and its program packs a folder.
#
#   package_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
version=$3
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (dpkg-dev)"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/qb-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb="$work/pkg/quillbox2_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb: $(ls "$work/pkg")"

depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libzip4 liblhasa0 libdeflate0 fonts-ipafont-mincho fonts-ipafont-gothic \
            qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "\b$need\b" <<<"$depends" || fail "Depends lacks $need: $depends"
done

contents=$(dpkg-deb -c "$deb")
for f in usr/bin/quillbox2 usr/bin/qbarc usr/lib/quillbox2/UNLHA32.DLL usr/lib/quillbox2/ZIP32J.DLL \
         usr/lib/quillbox2/IZIP32J.DLL usr/lib/quillbox2/UNZIP32.DLL \
         usr/share/applications/quillbox2.desktop usr/share/icons/hicolor/scalable/apps/quillbox2.svg \
         usr/share/icons/hicolor/48x48/apps/quillbox2.png usr/share/quillbox2/QUILLBOX2.html \
         usr/share/man/man1/quillbox2.1.gz usr/share/man/ja/man1/quillbox2.1.gz \
         usr/share/man/man1/qbarc.1.gz usr/share/man/ja/man1/qbarc.1.gz \
         usr/share/doc/quillbox2/copyright usr/share/doc/quillbox2/changelog.gz \
         usr/share/kio/servicemenus/quillbox2-pack.desktop usr/share/nemo/actions/quillbox2-pack-lzh.nemo_action \
         usr/share/nemo/actions/quillbox2-pack-zip.nemo_action; do
  grep -q " \./$f\$" <<<"$contents" || fail "the package lacks /$f"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
# The script player of the tests is linked only into the build tree's program.
if grep -q QUILLBOX2_TEST_ACTIONS "$root/usr/bin/quillbox2"; then
  fail "the packaged program carries the end-to-end script player"
fi
"$here/installed_files_check.sh" "$root/usr" "$src" "$build" "$version"
"$here/pack_with_installed.sh" "$root/usr" "$build"
