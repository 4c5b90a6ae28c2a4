#!/usr/bin/env bash
# Runs the same talven-cli session with two builds and compares everything they print and store:
#   scripts/compare-cli.sh OLD_TALVEN_CLI NEW_TALVEN_CLI
# Each build gets its own data directory and settings; paths are masked before comparing, and the
# databases are compared by their SQL dump after every command.
set -uo pipefail
old=$(readlink -f "$1"); new=$(readlink -f "$2")
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

steps=(
  "import-history $src/samples/history.txt"
  "history"
  "history --json"
  "import-formulas $src/samples/formulas.txt"
  "import-formulas $src/samples/formulas-utf8.txt --keep"
  "formulas"
  "formulas --json"
  "formulas --kind 1"
  "add-formula [D单特类]特码数+平码一"
  "add-formula [L尾数类]特码尾+平三尾 --kind 3 --keep"
  "add-formula 特码数+特码数"
  "add-draw 1 2 3 4 5 6 7"
  "add-draw 8 9 10 11 12 13 14 --period 2027001"
  "history --json"
  "delete-last-draw"
  "add-draw 1 2 3"
  "add-draw 1 2 3 4 5 6 50"
  "settings"
  "settings YEAR True"
  "settings BsIni 1"
  "settings MaAddIni True"
  "settings BIT 16"
  "settings BIT abc"
  "settings SxSetup True"
  "formulas --json"
  "delete-formula 3"
  "delete-formula 999"
  "predict"
  "predict --json --select 1,2,3"
  "predict --at 2026100"
  "export history --csv"
  "export formulas --csv"
  "export errors --csv"
  "import-history /nonexistent/h.txt"
  "settings YEAR False"
  "delete-formula 1"
  "history"
)

run() { # build dir step
  local bin=$1 dir=$2 step=$3
  HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" LC_ALL=C.UTF-8 \
    "$bin" --data-dir "$dir/data" $step >"$dir/out" 2>"$dir/err"
  echo "exit $?" >>"$dir/out"
  sed -i "s#$dir#<DIR>#g" "$dir/out" "$dir/err"
}

mkdir -p "$work/old/home" "$work/new/home"
failed=0
for step in "${steps[@]}"; do
  run "$old" "$work/old" "$step"
  run "$new" "$work/new" "$step"
  for f in out err; do
    if ! cmp -s "$work/old/$f" "$work/new/$f"; then
      echo "DIFFERENT $f: talven-cli $step"; diff "$work/old/$f" "$work/new/$f" | head -10; failed=1
    fi
  done
  for x in lishi.csv gongshi.csv ErrArr.csv; do
    if [ -f "$work/old/data/$x" ] && ! cmp -s "$work/old/data/$x" "$work/new/data/$x"; then
      echo "DIFFERENT $x after: $step"; failed=1
    fi
  done
  if [ "$(sqlite3 "$work/old/data/orvane.mdb" .dump | sha256sum)" != "$(sqlite3 "$work/new/data/orvane.mdb" .dump | sha256sum)" ]; then
    echo "DIFFERENT database after: talven-cli $step"; failed=1
  fi
done
[ $failed = 0 ] && echo "identical: ${#steps[@]} commands, their output and the database after each"
exit $failed
