#!/usr/bin/env bash
# A 4096-sample capture from the simulated board at full rate: wall time against the bridge's
# own limit of ceil((N + 13) / 21) polls of 10 ms, and CPU time over wall time.
# usage: bench/enob_capture.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
n=4096
polls=$(( (n + 13 + 20) / 21 ))
limit_ms=$(( polls * 10 ))
out=$(/usr/bin/time -f "%e %U %S" "$build/bin/qxctl" --simulate enob --points $n --bits 23 \
  --ref 2.4 2>&1 >/dev/null | tail -1)
read -r wall user sys <<<"$out"
awk -v w="$wall" -v u="$user" -v s="$sys" -v l="$limit_ms" -v p="$polls" 'BEGIN {
  printf "limit %d polls = %d ms; wall %.0f ms (%.1f%% over); cpu %.2f s = %.1f%% of one core\n",
    p, l, w * 1000, (w * 1000 / l - 1) * 100, u + s, (u + s) / w * 100 }'
