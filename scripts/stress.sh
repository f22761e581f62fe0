#!/usr/bin/env bash
# Runs the tests that wait on time N times on one core beside a compile, in the release build and,
# where it is built, the sanitizer build, and prints each test's pass count. Run it after touching
# any of them: a test that passes alone and fails here fails on a loaded machine too.
# Usage: scripts/stress.sh [N] [presets...]   (default: 10, release and sanitize)
# SKYMRA_STRESS_CORE picks the core (default 0), so two presets can each have a core and a compile.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
shift || true
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release sanitize)
core=${SKYMRA_STRESS_CORE:-0}
tests='^(HostileStream|RtspDevice|StreamDevice|CameraDevice|PlaybackTest|SoundTest)\.|'
tests+='^CaptureDialogTest\.TheWatchdog|^StreamTest\.ChoosingAnother|^StreamOpenerTest\.'

# The compile beside the tests: the comparison core, again and again, on the same core.
load() {
  while :; do
    taskset -c "$core" g++ -std=c++20 -O2 -I. -c detect/frame_compare.cpp -o /dev/null \
      2>/dev/null || true
  done
}
load &
loader=$!
trap 'kill $loader 2>/dev/null || true' EXIT

status=0
for preset in "${presets[@]}"; do
  dir=build
  [ "$preset" = release ] || dir=build-$preset
  if [ ! -d "$dir" ]; then
    echo "== $preset: not built ($dir), left out"
    continue
  fi
  echo "== $preset: $runs runs on core $core beside a compile"
  rm -f "$dir/stress-$preset-output.log"
  log=$(mktemp)
  for ((i = 1; i <= runs; i++)); do
    taskset -c "$core" ctest --preset "$preset" -R "$tests" -j1 >>"$log" 2>&1 || true
    # What every test printed, passed or not: the figures are there.
    cat "$dir/Testing/Temporary/LastTest.log" >>"$dir/stress-$preset-output.log" 2>/dev/null || true
  done
  # "n/N name": how often each test passed.
  # Only the results: a failed test's own output can hold such a line too.
  grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$log" |
    sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*(Passed|\*\*\*Failed|Failed|\*\*\*Timeout|\*\*\*Exception).*/\2 \1/' |
    awk -v n="$runs" '{ seen[$2]++; if ($1 == "Passed") ok[$2]++ }
      END { bad = 0; for (t in seen) { printf "%3d/%d %s\n", ok[t], n, t; if (ok[t] < n) bad = 1 }
            exit bad }' | sort -k2 || status=1
  mv "$log" "$dir/stress-$preset.log"
  echo "results kept: $dir/stress-$preset.log"
  echo "what the tests printed: $dir/stress-$preset-output.log"
done
exit $status
