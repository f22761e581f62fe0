#!/usr/bin/env bash
# Builds and runs the benchmarks; extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build -j"$(nproc)"
for b in build/bench/*/skymra_bench_*; do
  [ -x "$b" ] && "$b" "$@"
done
