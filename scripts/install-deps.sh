#!/usr/bin/env bash
# Installs the Debian packages TALVEN builds and runs with, when any of them is missing.
set -euo pipefail
# libminizip-dev and libfreexl-dev read the workbooks a history may come in (.xlsx and .xls).
# The last line: the manual pages (help2man), the checks of the desktop entry and the metainfo,
# and what cpack needs for the Debian package (dpkg-shlibdeps, file).
packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-qpa-plugins libsqlite3-dev
          libxlsxwriter-dev libminizip-dev libfreexl-dev qt6-translations-l10n fonts-noto-cjk xvfb xauth unzip
          help2man desktop-file-utils appstream dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
