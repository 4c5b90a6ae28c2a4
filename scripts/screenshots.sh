#!/usr/bin/env bash
# Opens the main window under a virtual X display with the sample data and writes the pictures of the
# README into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
out="$PWD/docs/screenshots"
data=$(mktemp -d)
trap 'rm -rf "$data"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true' EXIT
export HOME="$data/home" XDG_CONFIG_HOME="$data/home/.config" LC_ALL=C.UTF-8
build/talven-cli --data-dir "$data/db" import-history samples/history.txt >/dev/null
build/talven-cli --data-dir "$data/db" import-formulas samples/formulas.txt >/dev/null
display=:${SCREENSHOT_DISPLAY:-97}
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp &
xvfb=$!
sleep 1
mkdir -p "$out"
DISPLAY=$display QT_QPA_PLATFORM=xcb build/screenshot_tour --data-dir "$data/db" "$out"
ls -1 "$out"
