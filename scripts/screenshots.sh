#!/usr/bin/env bash
# Opens the main window under a virtual X display with the sample data and writes the pictures of the
# README into docs/screenshots/: once on a 1280×800 screen, once on the same screen at 200 % (into
# docs/screenshots/200/), and on the common laptop screens 1366×768 at 125 % and 1920×1080 at 200 %
# (docs/screenshots/1366x768-125/, docs/screenshots/1920x1080-200/), so that every one is looked at
# before a window is called done.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
out="$PWD/docs/screenshots"
data=$(mktemp -d)
xvfb=
trap 'rm -rf "$data"; [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true' EXIT
export LC_ALL=C.UTF-8
display=:${SCREENSHOT_DISPLAY:-97}

# tour SCALE SCREEN FOLDER: a fresh data directory and settings, one display of the given size.
tour() {
    local scale=$1 screen=$2 folder=$3
    rm -rf "$data"/*
    export HOME="$data/home" XDG_CONFIG_HOME="$data/home/.config"
    build/talven-cli --data-dir "$data/db" import-history samples/history.txt >/dev/null
    build/talven-cli --data-dir "$data/db" import-formulas samples/formulas.txt >/dev/null
    Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp &
    xvfb=$!
    sleep 1
    mkdir -p "$folder"
    DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale build/screenshot_tour --data-dir "$data/db" "$folder"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
    xvfb=
}

tour 1 1280x800 "$out"
tour 2 2560x1600 "$out/200"
tour 1.25 1366x768 "$out/1366x768-125"
tour 2 1920x1080 "$out/1920x1080-200"
ls -1 "$out" "$out/200" "$out/1366x768-125" "$out/1920x1080-200"
