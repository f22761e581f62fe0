#!/usr/bin/env bash
# Runs a command against a private PulseAudio server with one null sink, "nullout".
set -euo pipefail
dir=$(mktemp -d)
export HOME=$dir PULSE_RUNTIME_PATH=$dir PULSE_SERVER=unix:$dir/native XDG_RUNTIME_DIR=$dir
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=file:"$dir/log" \
  --load="module-null-sink sink_name=nullout" \
  --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/native" &
pa=$!
trap 'kill $pa 2>/dev/null; wait $pa 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink nullout
"$@"
