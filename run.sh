#!/usr/bin/env bash
# Installs what is missing, builds, and starts TALVEN. Without a display it runs the demo.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "没有图形显示（DISPLAY 未设置），改为运行演示：talven-cli demo"
  exec build/talven-cli demo
fi
exec build/talven "$@"
