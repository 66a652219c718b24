#!/usr/bin/env bash
# An installed tree works wherever it is moved: install to a temporary prefix, move the prefix,
# hide the build tree's modules, then pack a folder silently in LZH and in ZIP with the moved
# program (checked with lhasa and unzip) and list the result with the moved qbarc.
#
#   relocated_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qb-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
prefix=$work/moved

# Nothing installed may point back at the prefix it was installed to.
if grep -rlF "$work/first" "$prefix"; then
  echo "FAIL: the installed files above name the prefix they were installed to" >&2
  exit 1
fi

exec "$here/pack_with_installed.sh" "$prefix" "$build"
