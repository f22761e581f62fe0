#!/usr/bin/env bash
# Builds everything and runs every test headless. Usage: scripts/test.sh [build-dir] [cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=${1:-build}
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
