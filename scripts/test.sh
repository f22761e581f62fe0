#!/usr/bin/env bash
# Builds and runs every test of a preset, headless.
# Usage: scripts/test.sh [preset] [cmake args...]   (presets: CMakePresets.json; default release)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset=${1:-release}
shift || true
cmake --preset "$preset" "$@" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
