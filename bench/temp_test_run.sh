#!/usr/bin/env bash
# The default temperature run on the simulated bench and virtual time: 5 points from -40 °C in
# steps of 10 °C, a 20-minute hold, three modes (calibrator at 100, 200 and 300 mV). Prints
# the median wall time and peak memory of five runs.
# usage: bench/temp_test_run.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
walls=() ; rss=()
for i in 1 2 3 4 5; do
  dir="$work/run$i"
  mkdir -p "$dir"
  cp -r "$root/INCLUDE" "$dir/"
  printf '   0\r\n  00\r\n  00\r\n  00\r\n' >"$dir/Register.txt"
  printf '     1\r\n     1\r\n     1\r\n' >"$dir/Delay.txt"
  printf '   2.4\r\n   2.4\r\n   2.4\r\n' >"$dir/ACM.txt"
  printf '   1OUT 100 mV ,0 Hz\r\n   1OUT 200 mV ,0 Hz\r\n   1OUT 300 mV ,0 Hz\r\n' >"$dir/Fluke.txt"
  out=$(/usr/bin/time -f "%e %M" "$build/bin/qxctl" --simulate --dir "$dir" temp-test \
    --modes 3 2>&1 >/dev/null | tail -1)
  read -r wall kb <<<"$out"
  walls+=("$wall"); rss+=("$kb")
done
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
echo "default run (5 points x 3 modes, 20 min hold, virtual time):" \
  "median wall $(median "${walls[@]}") s, median peak RSS $(median "${rss[@]}") KiB"
