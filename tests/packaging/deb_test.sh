#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt-get, the installed program started on
# an X display beside a virtual camera and a sound server, its window up and still running, then removed by dpkg with
# nothing of it left behind. Needs root.
# Usage: deb_test.sh skymra_VERSION_ARCH.deb
set -euo pipefail
deb=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
trap 'dpkg -r skymra >/dev/null 2>&1 || true' EXIT
files=$(dpkg -L skymra | while read -r f; do [ -f "$f" ] && echo "$f"; done)
for f in /usr/bin/skymra /usr/share/applications/skymra.desktop \
         /usr/share/metainfo/invalid.skymra.Skymra.metainfo.xml \
         /usr/share/icons/hicolor/16x16/apps/skymra.png /usr/share/icons/hicolor/256x256/apps/skymra.png; do
  grep -qx "$f" <<<"$files" || { echo "deb: $f is not installed"; exit 1; }
done
# What a software centre reads: the metainfo and the desktop entry it launches, as installed.
appstreamcli validate --no-net /usr/share/metainfo/invalid.skymra.Skymra.metainfo.xml
said=$(desktop-file-validate /usr/share/applications/skymra.desktop)
[ -z "$said" ] || { echo "deb: the desktop entry: $said"; exit 1; }

log=$(mktemp)
"$here/../sound/with_pulseaudio.sh" "$here/../devices/with_camera.sh" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$SKYMRA_CAMERA_CTL" wait
  skymra 2>"$1" &
  app=$!
  for _ in $(seq 60); do xwininfo -root -tree | grep -q "\"Skymra\"" && break; sleep 0.25; done
  xwininfo -root -tree | grep "\"Skymra\"" || { echo "deb: no Skymra window"; exit 1; }
  sleep 3
  kill -0 $app || { echo "deb: the program ended by itself"; exit 1; }
  kill $app
  wait $app || true' _ "$log"
if grep -i 'error\|could not\|kan inte' "$log"; then echo "deb: the program complained"; exit 1; fi

dpkg -r skymra >/dev/null
for f in $files; do
  [ ! -e "$f" ] || { echo "deb: $f is left after dpkg -r"; exit 1; }
done
echo "deb: installed, started with its window beside the camera, removed"
