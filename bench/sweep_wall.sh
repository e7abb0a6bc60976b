#!/usr/bin/env bash
# A noise sweep on the simulated board in real time: 8 PGA gains x 4 output rates, 1024 points
# per cell. Prints the wall time, the sum of the cells' bridge limits (each the longer of
# (N + 13) / rate and ceil((N + 13) / 21) polls of 10 ms) and their ratio.
# usage: bench/sweep_wall.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-1}
# Four normal-speed rates, the fastest one limited by the bridge's 21 results per 10 ms poll.
rates=2560,1280,640,320
for ((i = 1; i <= runs; i++)); do
  start=$(date +%s.%N)
  err=$("$build/bin/qxctl" --simulate --dir "$build/bin" sweep --points 1024 --rates $rates --json 2>&1 >/dev/null)
  end=$(date +%s.%N)
  limit_ms=$(printf '%s\n' "$err" | sed -n 's/.*bridge limit \([0-9.]*\) s.*/\1/p' | tail -1)
  awk -v s="$start" -v e="$end" -v l="$limit_ms" 'BEGIN {
    w = e - s; printf "wall %.2f s; bridge limit %.2f s; ratio %.3f\n", w, l, w / l }'
done
