#!/usr/bin/env bash
# Runs a command with a GStreamer that has every plug-in of this machine but its H.264 and H.265
# decoders (libav, OpenH264, libde265), as on a machine without gstreamer1.0-libav.
set -euo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/plugins"
# The plug-ins this run has, the system's unless a run has chosen others.
system=${GST_PLUGIN_SYSTEM_PATH:-$(pkg-config --variable=pluginsdir gstreamer-1.0 2>/dev/null ||
         echo /usr/lib/"$(dpkg-architecture -qDEB_HOST_MULTIARCH)"/gstreamer-1.0)}
for plugin in "$system"/*.so; do
  case $(basename "$plugin") in
    *libav*|*openh264*|*de265*) ;;
    *) ln -s "$plugin" "$dir/plugins/" ;;
  esac
done
export GST_PLUGIN_SYSTEM_PATH=$dir/plugins GST_REGISTRY=$dir/registry.bin
"$@"
