#!/usr/bin/env bash
# Screenshot of the real window (xcb) under Xvfb: scripts/screenshot.sh [out.png] [xdotool steps...]
# Steps are "click X Y" (window coordinates), "sleep S"; they run before the picture is taken.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh imagemagick xdotool
cmake --preset release >/dev/null
cmake --build build -j"$(nproc)" --target skymra >/dev/null
out=${1:-docs/screenshot.png}
shift || true
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x700x24 -nolisten tcp &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display QT_QPA_PLATFORM=xcb build/app/skymra &
app=$!
sleep 2
win=$(DISPLAY=$display xdotool search --sync --name '^Skymra$' | head -n 1)
while [ $# -gt 0 ]; do
  case "$1" in
    click) DISPLAY=$display xdotool mousemove --window "$win" "$2" "$3" click 1; shift 3 ;;
    sleep) sleep "$2"; shift 2 ;;
    *) echo "screenshot: unknown step $1" >&2; exit 2 ;;
  esac
done
sleep 0.5
DISPLAY=$display /usr/bin/import -window "$win" "$out"
echo "screenshot: wrote $out"
