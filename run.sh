#!/usr/bin/env bash
# Installs what is missing, builds, and starts TALVEN. Without a display it runs the demo.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
# Earlier versions kept the data in build/ (see "Data" in the README).
if [ -f build/orvane.mdb ]; then
  echo "注意：数据库仍在 build/orvane.mdb（便携模式），删除 build 目录就会丢失它；请按 README 的 Data 一节把它移走。" >&2
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "没有图形显示（DISPLAY 未设置），改为运行演示：talven-cli demo"
  exec build/talven-cli demo
fi
exec build/talven "$@"
