#!/usr/bin/env bash
# The Windows installer as a user meets it, in a fresh Wine prefix: a silent install (/S) into
# Program Files with a Start-menu entry and the licences of what it carries, the installed
# program started on a display, its window's pixels checked and still running with nothing
# missing, and the uninstaller removing program, DLLs and entry. wine64 runs the 64-bit
# installer; with --wine32, the 32-bit one runs under the emulated i386 Wine (scripts/wine32.sh).
# Usage: nsis_test.sh skymra-VERSION-win64.exe | nsis_test.sh skymra-VERSION-win32.exe --wine32
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
installer=$(readlink -f "$1")
if [ "${2:-}" = --wine32 ]; then
  wine=$here/../../scripts/wine32.sh
  server() { "$wine" --server "$@"; }
else
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  server() { "$(dirname "$(readlink -f "$wine")")/wineserver" "$@"; }
fi
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'server -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$wine" wineboot -i >/dev/null 2>&1
server -w

"$wine" "$installer" /S
server -w
dir="$WINEPREFIX/drive_c/Program Files/Skymra"
for f in skymra.exe Uninstall.exe Qt6Core.dll Qt6Multimedia.dll platforms/qwindows.dll \
         multimedia/windowsmediaplugin.dll translations/qt_sv.qm LICENSE.txt \
         licenses/THIRD-PARTY.txt licenses/LGPL-3.0.txt licenses/GPL-3.0.txt licenses/GCC-RLE-3.1.txt; do
  [ -f "$dir/$f" ] || { echo "nsis: $f is not installed"; exit 1; }
done
lnk=$(find "$WINEPREFIX/drive_c" -iname 'Skymra.lnk' | head -n 1)
[ -n "$lnk" ] || { echo "nsis: no Start-menu entry"; exit 1; }

# Started from where it was installed, on a display, with only what the installer put there: a
# missing DLL or plugin ends it at once.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  start=$(date +%s%N)
  "$1" "C:\Program Files\Skymra\skymra.exe" 2>"$2/log" &
  app=$!
  for _ in $(seq 120); do xwininfo -root -tree | grep -q "\"Skymra\"" && break; sleep 0.25; done
  xwininfo -root -tree | grep -q "\"Skymra\"" || { echo "nsis: no Skymra window"; exit 1; }
  echo "nsis: the window is up $(( ($(date +%s%N) - start) / 1000000 )) ms after the start"
  sleep 3
  kill -0 $app || { echo "nsis: the program ended by itself"; exit 1; }
  read -r w h x y < <(xwininfo -root -tree | grep "\"Skymra\"" | head -n 1 |
    sed -E "s/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) .*/\1 \2 \3 \4/")
  for shot in first second; do
    ffmpeg -loglevel error -f x11grab -video_size "${w}x$h" -i "$DISPLAY+$x,$y" -frames:v 1 \
      -f rawvideo -pix_fmt rgb24 -y "$2/$shot.rgb"
    sleep 2
  done
  kill $app
  python3 "$3/window_pixels.py" "$w" "$h" "$2/first.rgb" "$2/second.rgb"' _ "$wine" "$work" "$here"
if grep -i 'platform plugin\|c0000135\|failed to start\|not found' "$work/log"; then
  echo "nsis: the program complained"; exit 1
fi
server -k 2>/dev/null || true

"$wine" 'C:\Program Files\Skymra\Uninstall.exe' /S
server -w
# The uninstaller runs from a copy of itself and may finish after the call returns.
for _ in $(seq 60); do [ -e "$dir" ] || break; sleep 0.5; done
[ ! -e "$dir" ] || { echo "nsis: left after uninstall:"; find "$dir"; exit 1; }
[ ! -e "$lnk" ] || { echo "nsis: the Start-menu entry is left"; exit 1; }
echo "nsis: installed silently, started, uninstalled"
