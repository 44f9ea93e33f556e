#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window program.
# Arguments are passed on to the program (for example: --home DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
build=${KORVELLO_BUILD_DIR:-$top/build}
exec "$build/bin/korvello" "$@"
