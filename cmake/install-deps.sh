#!/usr/bin/env bash
# Installs the Debian packages Velmo needs to build, run and test.
# Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libbz2-dev liblcms2-dev
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libgtest-dev
  clang libclang-rt-14-dev
  libimage-exiftool-perl libtiff-tools libjpeg-turbo-progs imagemagick
  xvfb openbox
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
