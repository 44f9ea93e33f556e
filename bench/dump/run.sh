#!/usr/bin/env bash
# Dump benchmark: a count database of 200 000 lines over 2 000 numeric zones on the handheld
# test double, dumped by "korvello-cli dump --yes" (pull, count files, sector records, push),
# next to the sqlite3 tool exporting the same lines grouped by zone into files (with an index
# on ZONE, on a copy), in the same run. Prints both times and their ratio.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}
lines=${LINES:-200000}
zones=${ZONES:-2000}

"$top/scripts/build.sh" >/dev/null
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed (Debian package sqlite3)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/Count/Save" "$work/tools" "$work/ref"
cp "$top/tests/fixtures/adb" "$work/tools/adb"
mkdir -p "$work/tools/adb-state/storage/storage/emulated/0/Android/data/com.korvello.scanner/files"
printf 'BENCH\tdevice\n' > "$work/tools/adb-state/devices"
handheld="$work/tools/adb-state/storage/storage/emulated/0/Android/data/com.korvello.scanner/files"
/usr/bin/python3 "$(dirname "$0")/generate.py" "$handheld/Inventaire.s3db" "$lines" "$zones"
cp "$handheld/Inventaire.s3db" "$work/ref/copy.s3db"

cat >"$work/home/Korvello.conf" <<CONF
[CONF]
ADB=$work/tools/
EDITCHEMIN=$work/home/Count/
EDITCHEMINSECU=$work/home/Count/Save/
TRANSAUTO=T
CONF

now() { date +%s.%N; }

start=$(now)
"$build/bin/korvello-cli" --home "$work/home" dump --yes >/dev/null
program=$(echo "$(now) - $start" | bc -l)

# The reference: the same lines, grouped by zone, one file a zone.
{
  echo "CREATE INDEX bench_zone ON GCD (ZONE);"
  sqlite3 "$work/ref/copy.s3db" "SELECT DISTINCT ZONE FROM GCD" | while read -r zone; do
    echo ".once $work/ref/Stk$zone.txt"
    echo "SELECT ZONE || ',' || Code || ',' || printf('%05d', Quantite) FROM GCD WHERE ZONE = '$zone';"
  done
} > "$work/ref/export.sql"
start=$(now)
sqlite3 "$work/ref/copy.s3db" < "$work/ref/export.sql"
reference=$(echo "$(now) - $start" | bc -l)

written=$(ls "$work/home/Count" | grep -c '^Stk' || true)
left=$(sqlite3 "$handheld/Inventaire.s3db" "SELECT COUNT(*) FROM GCD")
printf 'lines: %d over %d zones (program wrote %d count files; %d lines left on the handheld)\n' \
  "$lines" "$zones" "$written" "$left"
printf 'korvello-cli dump: %.2f s\n' "$program"
printf 'sqlite3 export: %.2f s\n' "$reference"
printf 'ratio (program / sqlite3): %.2f\n' "$(echo "$program / $reference" | bc -l)"
