#!/usr/bin/env bash
# Builds bench_rtf in Release (build-bench/) and runs it.
#
#   bash scripts/bench.sh [bench_rtf options]
#
# e.g. --runs 11, --size 1, --dump /tmp/bench.rtf, --file some.rtf
# (see bench/RtfBench.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERGALOT_BENCH=ON \
  -DPERGALOT_SANITIZE=OFF -DPERGALOT_FUZZ=OFF
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)" --target bench_rtf
QT_QPA_PLATFORM=offscreen build-bench/bench/bench_rtf "$@"
