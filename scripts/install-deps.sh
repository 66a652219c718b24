#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, but only those that
# are missing, so a second run costs a few seconds. Works as root or through sudo.
set -euo pipefail

PACKAGES=(
  cmake g++ ninja-build ccache pkg-config
  qt6-base-dev libgl1-mesa-dev
  qt6-translations-l10n   # run: Qt's own buttons and dialogs in Japanese
  libzip-dev liblhasa-dev libdeflate-dev
  libgtest-dev
  lhasa 7zip unzip zip jlha-utils libarchive-tools
  fonts-ipafont-mincho fonts-ipafont-gothic
  xvfb xclip xdg-utils
  clang libclang-rt-14-dev
)

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
