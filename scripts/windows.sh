#!/usr/bin/env bash
# Builds Skymra for Windows with MinGW-w64, and with --installer its NSIS installer.
# Usage: scripts/windows.sh [x86_64|i686] [--installer] [cmake args...]
#
# Qt for MinGW comes from, in this order: $SKYMRA_QT_MINGW (a Qt prefix for the same
# architecture), a prefix made earlier in $SKYMRA_QT_CACHE (~/.cache/skymra), a tarball of a
# prefix named by $SKYMRA_QT_MINGW_TARBALL (unpacked into the cache), or else a build of Qt 6.4.2
# from Debian's own sources (scripts/qt-mingw/build-qt-mingw.sh: about 45 minutes on 2 cores).
# The 64-bit build's tests run under wine64 (ctest --preset windows); of the 32-bit build, the
# program, the core's tests and the installer (into the 32-bit Program Files) are made, and run
# under the emulated i386 Wine (scripts/wine32.sh), as this kernel runs no 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=x86_64
[ "${1:-}" = x86_64 ] || [ "${1:-}" = i686 ] && { arch=$1; shift; }
installer=no
[ "${1:-}" = --installer ] && { installer=yes; shift; }
preset=windows
[ "$arch" = i686 ] && preset=windows-i686
mingw=g++-mingw-w64-x86-64-posix
[ "$arch" = i686 ] && mingw=g++-mingw-w64-i686-posix

scripts/setup.sh "$mingw" googletest nsis wine64 xvfb xauth x11-utils python3

cache=${SKYMRA_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/skymra}
toolchain=share/qt-mingw/toolchain-$arch-w64-mingw32.cmake
if [ -z "${SKYMRA_QT_MINGW:-}" ]; then
  SKYMRA_QT_MINGW=$cache/qt-6.4.2-mingw-$arch
  if [ ! -f "$SKYMRA_QT_MINGW/$toolchain" ]; then
    if [ -n "${SKYMRA_QT_MINGW_TARBALL:-}" ]; then
      echo "windows: unpacking $SKYMRA_QT_MINGW_TARBALL" >&2
      rm -rf "$SKYMRA_QT_MINGW.part" && mkdir -p "$SKYMRA_QT_MINGW.part"
      tar -C "$SKYMRA_QT_MINGW.part" -xJf "$SKYMRA_QT_MINGW_TARBALL"
    else
      echo "windows: building Qt 6.4.2 for $arch MinGW from Debian's sources" >&2
      scripts/setup.sh g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools \
        cmake ninja-build perl dpkg-dev qt6-base-dev qt6-base-dev-tools qt6-shader-baker \
        qt6-shadertools-dev
      WORKDIR=$cache/qt-mingw-work-$arch scripts/qt-mingw/build-qt-mingw.sh "$arch" \
        "$SKYMRA_QT_MINGW.part"
    fi
    rm -rf "$SKYMRA_QT_MINGW" && mv "$SKYMRA_QT_MINGW.part" "$SKYMRA_QT_MINGW"
  fi
fi
[ -f "$SKYMRA_QT_MINGW/$toolchain" ] || { echo "windows: no $toolchain in $SKYMRA_QT_MINGW" >&2; exit 1; }
export SKYMRA_QT_MINGW

cmake --preset "$preset" "$@" >/dev/null
if [ "$arch" = i686 ]; then
  # The program and the core's tests; the rest of the tests need a Windows to run on.
  cmake --build --preset "$preset" -j"$(nproc)" --target skymra skymra_detect_tests
else
  cmake --build --preset "$preset" -j"$(nproc)"
fi
if [ "$installer" = yes ]; then
  (cd "build-$preset" && cpack)
fi
