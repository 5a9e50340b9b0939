#!/usr/bin/env bash
# Idle CPU of the editor under Xvfb: the same build with the refresh timer
# running, stopped, ticking with nothing connected, and with a large
# selection, each run several times.
#
#   bash scripts/bench-idle.sh [RUNS] [SECONDS]     (defaults 5 and 30)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
seconds=${2:-30}

bash scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERGALOT_BENCH=ON \
  -DPERGALOT_SANITIZE=OFF -DPERGALOT_FUZZ=OFF
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)" --target bench_idle

for variant in "" "--no-timer" "--empty-timer" "--text-mb 5"; do
  for ((i = 1; i <= runs; i++)); do
    xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/bench_idle --seconds "$seconds" $variant
  done
done
