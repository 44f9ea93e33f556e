#!/usr/bin/env bash
# Article code database benchmark, 1 000 000 codes (CODES=n to change):
#  - from a text file: "korvello-cli build-articles --text" against sqlite3's own ".import" of
#    the same file into the same table;
#  - from a store database on a Firebird server of the benchmark's own (loopback): "korvello-cli
#    build-articles --store" against isql-fb exporting the same query to a file.
# Prints both times and their ratio for each source.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}
codes=${CODES:-1000000}

"$top/scripts/build.sh" >/dev/null
for tool in sqlite3 isql-fb /usr/sbin/firebird bc; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (see scripts/packages.txt)" >&2; exit 1; }
done

now() { date +%s.%N; }
ratio() { echo "$1 / $2" | bc -l; }
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home"
printf '[CONF]\nLNG=FR\n' > "$work/home/Korvello.conf"

# ---- text file ----
python3 - "$work/codes.txt" "$codes" <<'PY'
import sys
path, n = sys.argv[1], int(sys.argv[2])
with open(path, "w", newline="\r\n") as out:
    for i in range(n):
        body = "978%09d" % i
        total = sum(int(d) * (1 if k % 2 == 0 else 3) for k, d in enumerate(body))
        out.write(body + str((10 - total % 10) % 10) + "\n")
PY
sync
start=$(now)
"$build/bin/korvello-cli" --home "$work/home" build-articles --text "$work/codes.txt" >/dev/null
program=$(echo "$(now) - $start" | bc -l)
sync
start=$(now)
sqlite3 "$work/reference.s3db" "CREATE TABLE GENCOD(Code Char(13));" ".import $work/codes.txt GENCOD"
reference=$(echo "$(now) - $start" | bc -l)
rows=$(sqlite3 "$work/home/GenCodBD.s3db" "SELECT COUNT(*) FROM GENCOD")
printf '%d codes from a text file (program wrote %d rows)\n' "$codes" "$rows"
printf '  korvello-cli build-articles --text: %.2f s\n' "$program"
printf '  sqlite3 .import: %.2f s\n' "$reference"
printf '  ratio (program / reference): %.2f\n' "$(ratio "$program" "$reference")"

# ---- store database on a Firebird server of our own ----
fb=$work/firebird
lib=/usr/lib/x86_64-linux-gnu/firebird/3.0
mkdir -p "$fb/lock" "$fb/tmp" "$fb/intl"
for name in plugins lib UDF firebird.msg; do ln -s "$lib/$name" "$fb/$name"; done
ln -s "$lib/intl/libfbintl.so" "$fb/intl/fbintl"
cp /etc/firebird/3.0/fbintl.conf "$fb/intl/"
cp /etc/firebird/3.0/plugins.conf "$fb/"
: > "$fb/databases.conf"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$fb/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $fb/security3.fdb
AuthServer = Srp
AuthClient = Srp
UserManager = Srp
ServerMode = Super
CONF
export FIREBIRD=$fb FIREBIRD_LOCK=$fb/lock FIREBIRD_TMP=$fb/tmp
isqlq() { isql-fb -q -b "$@"; }
echo "create database '$fb/security3.fdb';" | isqlq -user SYSDBA
isqlq -user SYSDBA -i /usr/share/firebird/3.0/security.sql "$fb/security3.fdb"
printf "create user SYSDBA password 'masterkey' using plugin Srp;\ncreate user QUOREL password 'Qz7391r#' using plugin Srp;\ncommit;\n" |
  isqlq -user SYSDBA "$fb/security3.fdb"
/usr/sbin/firebird & server=$!
for _ in $(seq 100); do (echo > "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

store="127.0.0.1/$port:$work/store.fdb"
isqlq <<SQL
SET SQL DIALECT 1;
CREATE DATABASE '$store' USER 'SYSDBA' PASSWORD 'masterkey' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;
CREATE TABLE Gestion (ID INTEGER);
CREATE TABLE PRODUIT (GCD_FABRICANT VARCHAR(13), CODE_PRODUIT VARCHAR(5));
CREATE TABLE appromo (gcd_fabricant_app VARCHAR(13), active_app INTEGER, date_to_app TIMESTAMP);
CREATE TABLE produitslies (gcd_produit VARCHAR(13), etat INTEGER);
CREATE ROLE RQRAPP;
GRANT SELECT ON Gestion TO ROLE RQRAPP;
GRANT SELECT ON PRODUIT TO ROLE RQRAPP;
GRANT SELECT ON appromo TO ROLE RQRAPP;
GRANT SELECT ON produitslies TO ROLE RQRAPP;
GRANT RQRAPP TO QUOREL;
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS
DECLARE i INTEGER = 0;
BEGIN
  WHILE (i < $codes) DO BEGIN
    INSERT INTO PRODUIT VALUES ('978' || LPAD(:i, 10, '0'),
      CASE MOD(:i, 6) WHEN 0 THEN 'MEDIA' WHEN 1 THEN 'PAPET' WHEN 2 THEN 'VIDEO'
                     WHEN 3 THEN 'DISQU' WHEN 4 THEN 'DIVER' ELSE 'LIVRE' END);
    i = i + 1;
  END
END^
SET TERM ;^
INSERT INTO Gestion VALUES (1);
INSERT INTO appromo VALUES ('3333333333338', 1, '2099-12-31');
INSERT INTO produitslies VALUES ('6666666666666', 10);
COMMIT;
SQL

query="SELECT a.GCD_FABRICANT FROM PRODUIT a
union
Select ap.gcd_fabricant_app from appromo ap where ap.active_app = 1 and ap.date_to_app > 'now'
Union
Select  pl.gcd_produit from produitslies pl where pl.etat = 10;"
# Both sides read the database once before the clock starts: the same warm cache.
echo "SELECT COUNT(*) FROM PRODUIT;" | isqlq -user QUOREL -password 'Qz7391r#' -role RQRAPP "$store" >/dev/null
start=$(now)
"$build/bin/korvello-cli" --home "$work/home" build-articles --store "$store" >/dev/null
program=$(echo "$(now) - $start" | bc -l)
start=$(now)
printf 'SET HEADING OFF;\n%s\n' "$query" |
  isqlq -user QUOREL -password 'Qz7391r#' -role RQRAPP -o "$work/export.txt" "$store"
reference=$(echo "$(now) - $start" | bc -l)
rows=$(sqlite3 "$work/home/GenCodBD.s3db" "SELECT COUNT(*) FROM GENCOD")
printf '%d products in a store database (program wrote %d rows)\n' "$codes" "$rows"
printf '  korvello-cli build-articles --store: %.2f s\n' "$program"
printf '  isql-fb export: %.2f s\n' "$reference"
printf '  ratio (program / reference): %.2f\n' "$(ratio "$program" "$reference")"
