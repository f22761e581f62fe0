#!/usr/bin/env bash
# Builds and runs the benchmarks, then measures the live preview against the virtual camera.
# Prints, in one run: the comparison against its streaming floor per size and share of change,
# the whole check (unpainted, painted, with the alarm) against its floor, the preview's processor
# share and the time from start to the first camera frame. Extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh libopencv-core-dev
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"

echo "== compareFrames"
build/bench/core/skymra_bench_compare --benchmark_min_time=0.1 "$@"
echo "== the whole check"
build/bench/check/skymra_bench_check --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"

echo "== the live preview on the virtual camera (320 x 240)"
export QT_QPA_PLATFORM=offscreen QT_XCB_GL_INTEGRATION=none
devices=build/tests/devices/skymra_camera_device_tests
read -r cpu fps < <(tests/devices/with_camera.sh "$devices" --preview-cpu 10 2>/dev/null)
echo "preview: ${cpu}% of one core at ${fps} frames/s (goal: under 2% at 30 frames/s)"
starts=()
for _ in 1 2 3 4 5; do
  starts+=("$(tests/devices/with_camera.sh "$devices" --first-frame 2>/dev/null)")
done
sorted=$(printf '%s\n' "${starts[@]}" | sort -n | tr '\n' ' ')
echo "start to the first camera frame shown, 5 cold starts: ${sorted}ms (median $(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p) ms; goal: under 500 ms)"
