#!/usr/bin/env bash
# Runs a command beside a virtual camera: a private PipeWire with its test-pattern video node,
# a private session bus and WirePlumber, all in a temporary folder that goes when it ends.
# The command can call "$SKYMRA_CAMERA_CTL unplug" and "... plug" to remove the camera and add
# it again as a new device (with a node name after them, another camera of the same description,
# as a second webcam of one model), "... linked" to print the node names of the cameras being
# read, and "... stop" and "... start" to stop and start the whole stack.
set -euo pipefail
dir=$(mktemp -d)
export XDG_RUNTIME_DIR=$dir/run XDG_CONFIG_HOME=$dir/config XDG_STATE_HOME=$dir/state HOME=$dir
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/camera.conf" <<'CONF'
context.spa-libs = { videotestsrc = videotestsrc/libspa-videotestsrc }
context.objects = [ { factory = adapter args = { factory.name = videotestsrc
    node.name = VirtualCamera node.description = "Virtual camera" media.class = Video/Source
    media.role = Camera object.linger = true } } ]
CONF
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus
dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile >/dev/null 2>&1 &
bus=$!

ctl=$dir/camera-ctl
cat >"$ctl" <<'CTL'
#!/usr/bin/env bash
# start | stop | unplug [NAME] | plug [NAME] | linked | wait (until PipeWire lists the camera
# node, at most 10 s)
set -u
d=$SKYMRA_CAMERA_DIR
name=${2:-VirtualCamera}
case "$1" in
  start)
    pipewire >>"$d/pipewire.log" 2>&1 &
    echo $! >"$d/pipewire.pid"
    for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
    wireplumber >>"$d/wireplumber.log" 2>&1 &
    echo $! >"$d/wireplumber.pid" ;;
  stop)
    for p in wireplumber pipewire; do
      [ -f "$d/$p.pid" ] || continue
      kill "$(cat "$d/$p.pid")" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$(cat "$d/$p.pid")" 2>/dev/null || break; sleep 0.1; done
      rm -f "$d/$p.pid"
    done ;;
  unplug)
    id=$(pw-cli ls Node | awk -v n="node.name = \"$name\"" '
      /^\tid [0-9]+/ { gsub(",", "", $2); id = $2 }
      index($0, n) { print id }')
    [ -n "$id" ] && pw-cli destroy "$id" >/dev/null ;;
  plug)
    pw-cli create-node adapter "{ factory.name=videotestsrc node.name=$name
      node.description=\"Virtual camera\" media.class=Video/Source media.role=Camera
      object.linger=true }" >/dev/null ;;
  linked)
    pw-link -l | awk -F: '/^[^ ]/ { port = $1 } /\|->/ && !seen[port]++ { print port }' ;;
  wait)
    for _ in $(seq 40); do
      timeout 5 pw-cli ls Node 2>/dev/null | grep -q '"VirtualCamera"' && exit 0
      sleep 0.25
    done
    exit 1 ;;
esac
CTL
chmod +x "$ctl"
export SKYMRA_CAMERA_CTL=$ctl SKYMRA_CAMERA_DIR=$dir
cleanup() {
  "$ctl" stop || true
  kill "$bus" 2>/dev/null
  wait "$bus" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -S "$dir/bus" ] && break; sleep 0.1; done
"$ctl" start
if ! "$ctl" wait; then
  echo "with_camera: the virtual camera did not appear" >&2
  cat "$dir"/*.log >&2
  exit 1
fi
"$@"
