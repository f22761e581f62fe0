#!/usr/bin/env bash
# Builds Skymra and starts it; without a display it runs under a virtual one (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build -j"$(nproc)" --target skymra
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting under xvfb-run" >&2
  exec xvfb-run -a build/app/skymra
fi
exec build/app/skymra
