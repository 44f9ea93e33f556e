#!/usr/bin/env bash
# Dump benchmark, at two sizes (200 000 lines over 2 000 numeric zones, and 50 000 over 500):
# a count database on the handheld test double dumped by "korvello-cli dump --yes" (pulls,
# count files and save copies made durable, sector records, push), next to the sqlite3 tool
# doing the same durable work: exporting the same lines grouped by zone into one file a zone
# (with an index on ZONE, on a copy), then "sync -f" of that folder. Prints both times and
# their ratio for each size, then what the extra lines of the larger size cost each side:
# the program's fixed cost a dump (starting, asking the handheld six times, starting the
# Firebird engine) weighs on the small size, the growth shows the cost a line.
#
# Each side runs ROUNDS times (5 by default) on fresh folders and keeps its best time. Nothing
# is deleted until the end: on a file system that looks past recently freed inodes when it
# creates files (ext4 does for 30 s), a deletion just before a run slows whichever side runs
# next, and that would measure the order of the runs rather than the programs.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}
rounds=${ROUNDS:-5}

"$top/scripts/build.sh" >/dev/null
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed (Debian package sqlite3)" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

now() { date +%s.%N; }
least() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }

# A fresh handheld double and program folder holding the generated count database.
prepare() {
  local work=$1 lines=$2 zones=$3
  mkdir -p "$work/home/Count/Save" "$work/tools" "$work/ref"
  cp "$top/tests/fixtures/adb" "$work/tools/adb"
  local handheld="$work/tools/adb-state/storage/storage/emulated/0/Android/data/com.korvello.scanner/files"
  mkdir -p "$handheld"
  printf 'BENCH\tdevice\n' > "$work/tools/adb-state/devices"
  /usr/bin/python3 "$(dirname "$0")/generate.py" "$handheld/Inventaire.s3db" "$lines" "$zones"
  cp "$handheld/Inventaire.s3db" "$work/ref/copy.s3db"
  cat >"$work/home/Korvello.conf" <<CONF
[CONF]
ADB=$work/tools/
EDITCHEMIN=$work/home/Count/
EDITCHEMINSECU=$work/home/Count/Save/
TRANSAUTO=T
CONF
  # The reference's statements: the same lines, grouped by zone, one file a zone.
  {
    echo "CREATE INDEX bench_zone ON GCD (ZONE);"
    sqlite3 "$work/ref/copy.s3db" "SELECT DISTINCT ZONE FROM GCD" | while read -r zone; do
      echo ".once $work/ref/Stk$zone.txt"
      echo "SELECT ZONE || ',' || Code || ',' || printf('%05d', Quantite) FROM GCD WHERE ZONE = '$zone';"
    done
  } > "$work/ref/export.sql"
}

measure() {
  local lines=$1 zones=$2
  local program='' reference='' start elapsed round work written left
  for round in $(seq "$rounds"); do
    work="$root/$lines-$round"
    prepare "$work" "$lines" "$zones"
    # Both sides start with nothing waiting to be written: the generator's output is on disk.
    sync
    start=$(now)
    "$build/bin/korvello-cli" --home "$work/home" dump --yes >/dev/null
    elapsed=$(echo "$(now) - $start" | bc -l)
    program=$(least "$program" "$elapsed")

    sync
    start=$(now)
    sqlite3 "$work/ref/copy.s3db" < "$work/ref/export.sql"
    sync -f "$work/ref"
    elapsed=$(echo "$(now) - $start" | bc -l)
    reference=$(least "$reference" "$elapsed")

    written=$(ls "$work/home/Count" | grep -c '^Stk' || true)
    left=$(sqlite3 "$work/tools/adb-state/storage/storage/emulated/0/Android/data/com.korvello.scanner/files/Inventaire.s3db" "SELECT COUNT(*) FROM GCD")
    if [ "$written" -ne "$zones" ] || [ "$left" -ne 0 ]; then
      echo "round $round: the program wrote $written count files and left $left lines" >&2
      exit 1
    fi
  done
  printf '%d lines over %d zones (best of %d rounds; each wrote %d count files and emptied the handheld)\n' \
    "$lines" "$zones" "$rounds" "$zones"
  printf '  korvello-cli dump: %.2f s\n' "$program"
  printf '  sqlite3 export + sync: %.2f s\n' "$reference"
  printf '  ratio (program / reference): %.2f\n' "$(echo "$program / $reference" | bc -l)"
  last_program=$program
  last_reference=$reference
}

big_lines=${LINES:-200000}
small_lines=${SMALL_LINES:-50000}
measure "$big_lines" "${ZONES:-2000}"
big_program=$last_program
big_reference=$last_reference
measure "$small_lines" "${SMALL_ZONES:-500}"
printf 'from %d to %d lines\n' "$small_lines" "$big_lines"
printf '  korvello-cli dump: +%.2f s\n' "$(echo "$big_program - $last_program" | bc -l)"
printf '  sqlite3 export + sync: +%.2f s\n' "$(echo "$big_reference - $last_reference" | bc -l)"
printf '  ratio (program / reference): %.2f\n' \
  "$(echo "($big_program - $last_program) / ($big_reference - $last_reference)" | bc -l)"
