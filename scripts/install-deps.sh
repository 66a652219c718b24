#!/usr/bin/env bash
# Installs the Debian packages that building and running the program need (and, with --tests,
# those the tests need too), but only those that are missing, so a second run costs a few
# seconds. Works as root or through sudo.
#
#   scripts/install-deps.sh            build and run: ./quillbox2.sh
#   scripts/install-deps.sh --tests    build, run and test: ./test.sh
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build ccache pkg-config
  qt6-base-dev libgl1-mesa-dev
  qt6-translations-l10n   # run: Qt's own buttons and dialogs in Japanese
  libzip-dev liblhasa-dev libdeflate-dev libicu-dev
  fonts-ipafont-mincho fonts-ipafont-gothic
  xdg-utils
)
# GoogleTest (the test programs are part of the build), the peer archivers that check what we
# write, a display server, clipboard tool and window lister for the window tests, the fuzzers'
# clang, the packaging tools for the Debian package test, and the desktop-file validator.
TEST_PACKAGES=(
  libgtest-dev
  lhasa 7zip unzip zip jlha-utils libarchive-tools
  xvfb xclip x11-utils
  clang libclang-rt-14-dev
  dpkg-dev file desktop-file-utils groff-base man-db
)
if [ "${1:-}" = "--tests" ]; then
  PACKAGES+=("${TEST_PACKAGES[@]}")
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
