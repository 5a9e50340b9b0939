#!/usr/bin/env bash
# Idle CPU of the editor with one document under Xvfb, and with a second
# one changed and left unsaved (its recovery copy written before the
# measuring starts), against the floor of any program that polls every 10
# ms: a bare shown QMainWindow with an empty 10 ms QTimer. The three run
# alternately (the order turns every round, so a drift in the machine's
# speed falls on all), each in its own Xvfb; the script prints every run,
# the median of each and their ratios.
#
#   bash scripts/bench-idle.sh [ROUNDS] [SECONDS]     (defaults 10 and 15)
#
# BENCH_IDLE_VARIANTS=1 also runs, once per round, the editor with a caret
# that does not blink (what the blink costs), with its refresh timer stopped,
# with the timer ticking and nothing connected, and with 5 MB of text
# selected. Each run waits BENCH_IDLE_SETTLE seconds (default 12) before it
# measures: start-up is over and, with no input, the editor's caret has
# stopped blinking; BENCH_IDLE_SETTLE=2 measures the blinking caret instead.
# The programs run in the Russian locale of the
# program's users (the clock then shows minutes); BENCH_LANG overrides it.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-10}
seconds=${2:-15}
export LANG=${BENCH_LANG:-ru_RU.UTF-8}

bash scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERGALOT_BENCH=ON \
  -DPERGALOT_SANITIZE=OFF -DPERGALOT_FUZZ=OFF >/dev/null
cmake --build build-bench --parallel "$(nproc 2>/dev/null || echo 2)" --target bench_idle

results=$(mktemp)
trap 'rm -f "$results"' EXIT

run() {  # run LABEL ARGS...: prints the run's line and records its CPU seconds
  local label=$1
  shift
  local line
  line=$(xvfb-run -a -s "-screen 0 1280x1024x24" build-bench/bench/bench_idle --seconds "$seconds" \
    --settle "${BENCH_IDLE_SETTLE:-12}" "$@" 2>/dev/null \
    | grep 'CPU s over')
  echo "$line"
  echo "$label $(awk '{for (i = 1; i < NF; ++i) if ($(i + 1) == "CPU") print $i}' <<<"$line")" >>"$results"
}

for ((round = 1; round <= rounds; round++)); do
  echo "round $round of $rounds"
  case $((round % 3)) in
  1) run program; run bare --bare; run changed --changed ;;
  2) run bare --bare; run changed --changed; run program ;;
  *) run changed --changed; run program; run bare --bare ;;
  esac
  if [[ ${BENCH_IDLE_VARIANTS:-0} == 1 ]]; then
    run steady-caret --steady-caret
    run no-timer --no-timer
    run empty-timer --empty-timer
    run selected-5mb --text-mb 5
  fi
done

median() {  # median LABEL: of that label's CPU seconds
  awk -v label="$1" '$1 == label { print $2 }' "$results" | sort -g \
    | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
echo "Medians over $rounds rounds of $seconds s (CPU seconds, share of one core):"
for label in bare program changed steady-caret no-timer empty-timer selected-5mb; do
  m=$(median "$label")
  [[ $m == nan ]] && continue
  awk -v l="$label" -v m="$m" -v s="$seconds" 'BEGIN { printf "  %-13s %.4f s = %.3f%%\n", l, m, 100 * m / s }'
done
awk -v p="$(median program)" -v b="$(median bare)" \
  'BEGIN { printf "Editor with one document / bare window with an empty 10 ms timer: %.3f (goal at most 1.1)\n", p / b }'
awk -v p="$(median changed)" -v b="$(median bare)" \
  'BEGIN { printf "Editor with a changed and an unchanged document / bare window: %.3f (goal at most 1.1)\n", p / b }'
