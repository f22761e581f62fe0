#!/usr/bin/env bash
# Builds Skymra and its Debian package, build/skymra_1.00_<arch>.deb. Its dependencies come from
# dpkg-shlibdeps; the GStreamer plug-ins for cameras, streams and clips are recommended.
# Usage: scripts/deb.sh [cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release "$@" >/dev/null
# CPack builds what the build tree builds before it packs; the package holds the program only.
cmake --build --preset release -j"$(nproc)"
(cd build && cpack -G DEB)
