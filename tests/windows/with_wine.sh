#!/usr/bin/env bash
# Runs a program of the Windows build under wine64: a Wine prefix of the build's own, made once,
# Qt's DLLs and plugins from the prefix that the build was made against, and the QT_ variables
# that Wine does not pass on given under the names it does (WINEQT_...).
# Usage: with_wine.sh PROGRAM.exe [ARGS...]
set -euo pipefail
exe=$1
shift
build=$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)
qt=$(sed -n 's/^CMAKE_PREFIX_PATH:[A-Z]*=//p' "$build/CMakeCache.txt")
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

export WINEPREFIX=$build/wine-prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# The Qt prefix holds the compiler's runtime DLLs as well.
export WINEPATH="Z:${qt//\//\\}\\bin"
# One first start makes the prefix; parallel tests wait for it rather than make it twice.
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$(dirname "$(readlink -f "$wine")")/wineserver" -w || true
  fi
) 9>"$build/wine-prefix.lock"

for name in $(compgen -e | grep '^QT_' || true); do export "WINE$name=${!name}"; done
export WINEQT_QPA_FONTDIR=${WINEQT_QPA_FONTDIR:-'Z:\usr\share\fonts\truetype\liberation'}
export WINEQT_FORCE_STDERR_LOGGING=1
exec "$wine" "$exe" "$@"
