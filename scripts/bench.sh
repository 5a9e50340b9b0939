#!/usr/bin/env bash
# Builds a benchmark in Release (build-bench/) and runs it.
#
#   bash scripts/bench.sh [bench_NAME] [options]
#
# Without a name it runs bench_rtf (its input is chosen in the environment:
# BENCH_RTF_SIZE_MB, BENCH_RTF_FILE, BENCH_RTF_DUMP; see bench/RtfBench.cpp).
# The Google Benchmark programs take --benchmark_repetitions=5
# --benchmark_report_aggregates_only=true for medians and
# --benchmark_format=json for JSON; bench_largedoc takes --runs N.
set -euo pipefail
cd "$(dirname "$0")/.."

target=bench_rtf
if [[ ${1:-} == bench_* ]]; then
  target=$1
  shift
fi

bash scripts/install-deps.sh

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERGALOT_BENCH=ON \
  -DPERGALOT_SANITIZE=OFF -DPERGALOT_FUZZ=OFF
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)" --target "$target"
QT_QPA_PLATFORM=offscreen "build-bench/bench/$target" "$@"
