#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the main job
# need, and the de_DE.UTF-8 locale that the decimal-comma tests run under;
# does nothing when they are all present.
set -euo pipefail
packages=(
  cmake g++ make pkg-config
  lua5.1 liblua5.1-0-dev luajit
  # the install test builds and installs the module as a rock
  luarocks
  libicu-dev zlib1g-dev libdeflate-dev libboost-filesystem-dev libxml2-dev libxml2-utils libsparsehash-dev
  libgtest-dev libbenchmark-dev
  # the writing peer of the .xlsx cell benchmark (bench/ only)
  libxlsxwriter-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 fonts-crosextra-carlito
  python3 python3-xlrd python3-openpyxl python3-pil python3-olefile python3-xlwt
  libreoffice-calc-nogui
  # pdfimages counts the pictures LibreOffice puts in a converted book
  poppler-utils
  zip unzip
  locales
  clang
)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A locale whose decimal separator is a comma, and one whose upper-case I
# lowers to a dotless i: number text and name comparisons must not follow
# the process locale.
generate=0
for loc in de_DE tr_TR; do
  if ! locale -a 2>/dev/null | grep -qix "$loc\.utf-\?8"; then
    echo "adding the $loc.UTF-8 locale"
    if grep -q "^# *$loc.UTF-8 UTF-8" /etc/locale.gen; then
      $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    generate=1
  fi
done
if [ "$generate" = 1 ]; then $SUDO locale-gen; fi
