#!/usr/bin/env bash
# An installed tree works wherever it is moved: install to a temporary prefix (stripped, as the
# README says), move the prefix, check its files (installed_files_check.sh), hide the build
# tree's modules, then pack a folder silently in LZH and in ZIP with the moved program (checked
# with lhasa and unzip) and list the result with the moved qbarc.
#
#   relocated_install.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
version=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qb-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/first" --strip >/dev/null
mv "$work/first" "$work/moved"
prefix=$work/moved

# Nothing installed may point back at the prefix it was installed to.
if grep -rlF "$work/first" "$prefix"; then
  echo "FAIL: the installed files above name the prefix they were installed to" >&2
  exit 1
fi

"$here/installed_files_check.sh" "$prefix" "$src" "$build" "$version"
exec "$here/pack_with_installed.sh" "$prefix" "$build"
