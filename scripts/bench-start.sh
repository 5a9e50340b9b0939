#!/usr/bin/env bash
# Start time of the editor, from the start of its process to its first
# painted main window, against a bare Qt program showing a QMainWindow with a
# QTextEdit. The two run alternately (the order swaps every round) on one
# Xvfb; the script prints every run (start to first paint, and the whole
# process with its exit), the medians of each and their ratios. The start
# is what the ratio is about; a process ends by tearing down its threads and
# memory, which the editor, with more of both, takes longer to do.
#
#   bash scripts/bench-start.sh [ROUNDS]     (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
export LANG=${BENCH_LANG:-ru_RU.UTF-8}

bash scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERGALOT_BENCH=ON \
  -DPERGALOT_SANITIZE=OFF -DPERGALOT_FUZZ=OFF >/dev/null
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)" --target bench_start bench_start_bare

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -euo pipefail
  rounds=$1
  once() {  # once LABEL PROGRAM: one process; start to paint, and whole
    local start painted end
    start=${EPOCHREALTIME/./}
    painted=$(QT_QPA_PLATFORM=xcb "build-bench/bench/$2" "${@:3}" 2>/dev/null)
    end=${EPOCHREALTIME/./}
    echo "$1 $((painted - start)) $((end - start))"
  }
  settings=$(mktemp -d)
  trap "rm -rf \"$settings\"" EXIT
  # A first run of each fills the file cache; it is not counted.
  once warm bench_start --settings "$settings" >/dev/null
  once warm bench_start_bare >/dev/null
  for ((round = 1; round <= rounds; round++)); do
    if ((round % 2)); then
      once program bench_start --settings "$settings"; once bare bench_start_bare
    else
      once bare bench_start_bare; once program bench_start --settings "$settings"
    fi
  done
' _ "$rounds" | awk '
  {
    printf "%-8s %8.1f ms to first paint, %8.1f ms whole process\n", $1, $2 / 1000, $3 / 1000
    ++n[$1]; paint[$1, n[$1]] = $2 / 1000; whole[$1, n[$1]] = $3 / 1000
  }
  function median(values, label,   i, j, v, k, tmp) {
    k = n[label]
    for (i = 1; i <= k; ++i) v[i] = values[label, i]
    for (i = 1; i <= k; ++i) for (j = i + 1; j <= k; ++j) if (v[j] < v[i]) { tmp = v[i]; v[i] = v[j]; v[j] = tmp }
    return k % 2 ? v[(k + 1) / 2] : (v[k / 2] + v[k / 2 + 1]) / 2
  }
  END {
    p = median(paint, "program"); b = median(paint, "bare")
    pw = median(whole, "program"); bw = median(whole, "bare")
    printf "median of %d, start to first paint: program %.1f ms, bare %.1f ms, ratio %.2f\n", n["program"], p, b, p / b
    printf "median of %d, whole process:        program %.1f ms, bare %.1f ms, ratio %.2f\n", n["program"], pw, bw, pw / bw
  }'
