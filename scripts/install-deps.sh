#!/usr/bin/env bash
# Installs the Debian packages TALVEN builds and runs with, when any of them is missing.
set -euo pipefail
packages=(cmake ninja-build g++ ccache pkg-config qt6-base-dev qt6-qpa-plugins libsqlite3-dev
          libxlsxwriter-dev fonts-noto-cjk xvfb xauth unzip)
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
