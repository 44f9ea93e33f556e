#!/usr/bin/env bash
# Configures and builds the project into build/ (Release with debug information).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVELLO_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
