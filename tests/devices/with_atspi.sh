#!/usr/bin/env bash
# Runs a command as assistive technology would meet the program: an X display of its own, a
# private session bus, and the accessibility bus and registry on it, all gone when it ends.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] || [ -z "${SKYMRA_ATSPI_DISPLAY:-}" ]; then
  export SKYMRA_ATSPI_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
dir=$(mktemp -d)
export XDG_RUNTIME_DIR=$dir HOME=$dir
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile >/dev/null 2>&1 &
bus=$!
trap 'kill $launcher $bus 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 50); do [ -S "$dir/bus" ] && break; sleep 0.1; done
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
launcher=$!
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
"$@"
