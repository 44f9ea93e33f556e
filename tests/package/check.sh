#!/usr/bin/env bash
# The Debian package: built by scripts/package.sh, its contents and Depends checked, then
# unpacked into a temporary folder and its korvello-cli run by an ordinary user with a fresh
# home: it must start, make ~/.local/share/korvello/Korvello.conf and find its texts.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
rm -rf "$out"
mkdir -p "$out"
passes=0
failures=0
check() { # description, command...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passes=$((passes + 1))
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

KORVELLO_PACKAGE_DIR=$out bash "$top/scripts/package.sh" >"$out/build.log" 2>&1 ||
  { cat "$out/build.log"; echo "FAILED: the package builds"; exit 1; }
deb=$(ls "$out"/korvello_*_amd64.deb)
check "package named after its version" test "$(basename "$deb")" = "korvello_3.6.3.0_amd64.deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/korvello ./usr/bin/korvello-cli ./usr/share/korvello/korvello.lng \
  ./usr/share/korvello/adb/adb ./usr/share/applications/korvello.desktop \
  ./usr/share/icons/hicolor/scalable/apps/korvello.svg ./usr/share/man/man1/korvello-cli.1; do
  check "holds $file" grep -qxF "$file" <<<"$contents"
done

depends=$(dpkg-deb -f "$deb" Depends)
for package in adb firebird3.0-server-core libqt6sql6-sqlite libqt6sql6-ibase libqt6core6 \
  libqt6widgets6 libcurl4 libssh-4 libargon2-1; do
  check "depends on $package" grep -qE "(^|, )$package( |,|$)" <<<"$depends"
done

unpacked=$out/unpacked
dpkg-deb -x "$deb" "$unpacked"
check "desktop entry is valid" desktop-file-validate "$unpacked/usr/share/applications/korvello.desktop"
check "desktop entry has French and Dutch names" \
  grep -qx 'Name\[nl\]=Inventaris' "$unpacked/usr/share/applications/korvello.desktop"
manual() { [ -n "$(man -l --warnings "$1" 2>&1 >/dev/null)" ] && return 1; man -l "$1" | grep -q EXIT; }
check "man page reads without warnings" manual "$unpacked/usr/share/man/man1/korvello-cli.1"

# An ordinary user who cannot write where the programs lie.
home=$out/home
mkdir -p "$home"
if [ "$(id -u)" -eq 0 ]; then
  id korvellopkg >/dev/null 2>&1 || useradd --system --no-create-home korvellopkg
  chown korvellopkg "$home"
  chmod 755 "$out"
  run=(runuser -u korvellopkg --)
else
  chmod -R a-w "$unpacked/usr/bin"
  run=()
fi
status=0
output=$("${run[@]}" env -i HOME="$home" PATH=/usr/bin:/bin "$unpacked/usr/bin/korvello-cli" status) ||
  status=$?
check "korvello-cli status runs" test "$status" -eq 0
check "the settings go to ~/.local/share/korvello" test -f "$home/.local/share/korvello/Korvello.conf"
check "no settings beside the programs" test ! -e "$unpacked/usr/bin/Korvello.conf"
check "the texts are found (Dutch by default)" grep -q "Handterminal niet verbonden" <<<"$output"
[ "$(id -u)" -eq 0 ] || chmod -R u+w "$unpacked/usr/bin"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
