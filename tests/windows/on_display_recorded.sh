#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X display of its own, with a private PulseAudio
# null sink recorded throughout, then checks the recording: one whole alarm, then one alarm that
# a second call restarted (one unbroken sound, longer than one alarm).
# Usage: on_display_recorded.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${SKYMRA_RECORDED:-}" ]; then
  export SKYMRA_RECORDED=1
  exec "$here/../sound/with_pulseaudio.sh" xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
rec=$(mktemp --suffix=.raw)
trap 'rm -f "$rec"' EXIT
parec -d nullout.monitor --format=s16le --channels=1 --rate=11025 --raw --latency-msec=20 >"$rec" &
recorder=$!
sleep 0.3
status=0
"$here/with_wine.sh" "$@" || status=$?
sleep 0.3
# parec writes out what it holds only when it ends cleanly.
kill -INT $recorder
wait $recorder || true
if ! python3 "$here/bursts.py" "$rec"; then
  status=1
  # Kept for a look at what was heard: the same format parec wrote.
  cp "$rec" "$PWD/failed-recording.raw" && echo "recording kept: $PWD/failed-recording.raw"
fi
exit $status
