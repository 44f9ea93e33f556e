#!/usr/bin/env bash
# Upload benchmark: 1000 count files of a typical size sent by "korvello-cli upload --yes" to a
# local FTP server, next to curl's command-line tool sending the same files over one
# connection, in the same run. Prints both times and their ratio.
# Needs root (the program's FTP client uses port 21) and the project's packages.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}
files=${FILES:-1000}
lines=${LINES_PER_FILE:-120}

"$top/scripts/build.sh" >/dev/null

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/root/ref" "$work/home/Files/Save" "$work/ref"
/usr/bin/python3 "$top/tests/fixtures/ftpserver.py" --root "$work/root" --user bench \
  --password bench >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q READY "$work/server.log" 2>/dev/null && break; sleep 0.1; done
if ! grep -q READY "$work/server.log"; then
  echo "the FTP server did not start (is port 21 taken?):" >&2
  cat "$work/server.log" >&2
  exit 1
fi

# Count files as a dump writes them: zone, article code, quantity on five digits, CR LF.
/usr/bin/python3 - "$work/home/Files" "$work/ref" "$files" "$lines" <<'PY'
import os, random, sys
count_folder, ref_folder, files, lines = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
random.seed(7)
for i in range(files):
    zone = "%d%03d" % (1 + i // 1000, i % 1000)
    body = "".join("%s,978%010d,%05d\r\n" % (zone, random.randrange(10**10), random.randrange(1, 40))
                   for _ in range(lines)).encode("cp1252")
    for folder in (count_folder, ref_folder):
        with open(os.path.join(folder, "Stk%s.txt" % zone), "wb") as out:
            out.write(body)
PY

cat >"$work/home/Korvello.conf" <<CONF
[CONF]
EDITCHEMIN=$work/home/Files/
EDITCHEMINSECU=$work/home/Files/Save/
[FTP]
HOST=127.0.0.1
LOGIN=bench
MDP=bench
CONF

now() { date +%s.%N; }

start=$(now)
"$build/bin/korvello-cli" --home "$work/home" upload --yes >/dev/null
program=$(echo "$(now) - $start" | bc -l)

list=$(cd "$work/ref" && ls Stk*.txt | paste -sd, -)
start=$(now)
(cd "$work/ref" && curl -sS --disable-epsv --use-ascii --append -u bench:bench \
  -T "{$list}" ftp://127.0.0.1/ref/ >/dev/null)
reference=$(echo "$(now) - $start" | bc -l)

sent=$(ls "$work/root" | grep -c '^Stk' || true)
refsent=$(ls "$work/root/ref" | grep -c '^Stk' || true)
saved=$(ls "$work/home/Files/Save" | grep -c '^Stk' || true)
printf 'files: %d of %d lines (program sent %d, saved %d; curl sent %d)\n' \
  "$files" "$lines" "$sent" "$saved" "$refsent"
printf 'korvello-cli upload: %.2f s\n' "$program"
printf 'curl, one connection: %.2f s\n' "$reference"
printf 'ratio (program / curl): %.2f\n' "$(echo "$program / $reference" | bc -l)"
