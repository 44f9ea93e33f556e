#!/usr/bin/env bash
# Dump benchmark, at two sizes (200 000 lines over 2 000 numeric zones, and 50 000 over 500):
# a count database on the handheld test double dumped by "korvello-cli dump --yes" (pulls,
# count files and save copies made durable, sector records, push), next to the sqlite3 tool
# doing the same durable work: exporting the same lines grouped by zone into one file a zone
# (with an index on ZONE, on a copy), then "sync -f" of that folder. Prints both times and
# their ratio for each size; the ratios show whether the cost grows with the lines.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}

"$top/scripts/build.sh" >/dev/null
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed (Debian package sqlite3)" >&2; exit 1; }

now() { date +%s.%N; }

measure() {
  local lines=$1 zones=$2
  local work
  work=$(mktemp -d)
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

  local start program reference
  # Both sides start with nothing waiting to be written: the generator's output is on disk.
  sync
  start=$(now)
  "$build/bin/korvello-cli" --home "$work/home" dump --yes >/dev/null
  program=$(echo "$(now) - $start" | bc -l)

  # The reference: the same lines, grouped by zone, one file a zone, then made durable.
  {
    echo "CREATE INDEX bench_zone ON GCD (ZONE);"
    sqlite3 "$work/ref/copy.s3db" "SELECT DISTINCT ZONE FROM GCD" | while read -r zone; do
      echo ".once $work/ref/Stk$zone.txt"
      echo "SELECT ZONE || ',' || Code || ',' || printf('%05d', Quantite) FROM GCD WHERE ZONE = '$zone';"
    done
  } > "$work/ref/export.sql"
  sync
  start=$(now)
  sqlite3 "$work/ref/copy.s3db" < "$work/ref/export.sql"
  sync -f "$work/ref"
  reference=$(echo "$(now) - $start" | bc -l)

  local written left
  written=$(ls "$work/home/Count" | grep -c '^Stk' || true)
  left=$(sqlite3 "$handheld/Inventaire.s3db" "SELECT COUNT(*) FROM GCD")
  printf '%d lines over %d zones (program wrote %d count files; %d lines left on the handheld)\n' \
    "$lines" "$zones" "$written" "$left"
  printf '  korvello-cli dump: %.2f s\n' "$program"
  printf '  sqlite3 export + sync: %.2f s\n' "$reference"
  printf '  ratio (program / reference): %.2f\n' "$(echo "$program / $reference" | bc -l)"
  rm -rf "$work"
}

measure "${LINES:-200000}" "${ZONES:-2000}"
measure "${SMALL_LINES:-50000}" "${SMALL_ZONES:-500}"
