#!/usr/bin/env bash
# Builds the Debian package in release mode: build/korvello_<version>_amd64.deb.
# KORVELLO_RSPPK_FILE names the upload key to embed (a PuTTY key file); without it the build
# makes a development key. KORVELLO_PACKAGE_DIR sets where the package goes.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
out=${KORVELLO_PACKAGE_DIR:-$top/build}
work=$out/package-build
key=()
if [ -n "${KORVELLO_RSPPK_FILE:-}" ]; then
  key=(-DKORVELLO_RSPPK_FILE="$KORVELLO_RSPPK_FILE")
fi
cmake -S "$top" -B "$work" -DCMAKE_BUILD_TYPE=Release -DKORVELLO_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr "${key[@]}" >/dev/null
cmake --build "$work" -j"$(nproc)"
(cd "$work" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/korvello_*_amd64.deb
