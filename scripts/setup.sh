#!/usr/bin/env bash
# Installs what Skymra needs to build, run and test, from Debian's packages.
# Quick when everything is there: one dpkg query, no apt-get at all.
set -euo pipefail

packages=(
  g++ cmake make pkg-config libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  googletest libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  xvfb xauth fonts-liberation qt6-translations-l10n desktop-file-utils appstream
  pulseaudio pulseaudio-utils
  pipewire pipewire-bin wireplumber gstreamer1.0-pipewire dbus gstreamer1.0-tools
  dpkg-dev x11-utils xdotool xclip at-spi2-core gir1.2-atspi-2.0 python3-gi
  gstreamer1.0-plugins-ugly python3-gst-1.0 gir1.2-gst-rtsp-server-1.0 ffmpeg
  "$@"
)

# One query for all: a package dpkg has never heard of is simply absent from its answer.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 == "installed" { print $1 }' | sort -u || true)
mapfile -t missing < <(comm -23 <(printf '%s\n' "${packages[@]}" | sort -u) <(printf '%s\n' "$installed"))
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails an index now and then (seen: bookworm-security's i386
# list): asked again, and at worst what did come is used; a package still missing is named by
# the install.
for try in 1 2 3; do
  $sudo apt-get update -qq && break
  [ "$try" = 3 ] || sleep 20
done
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
