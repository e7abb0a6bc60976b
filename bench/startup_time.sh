#!/usr/bin/env bash
# Start-up of qxpanel --simulate: wall time from launch until its main window is mapped on a
# virtual X server, and its resident memory then. Prints each run and the medians.
#   bench/startup_time.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=${1:-build}
runs=${2:-7}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  build=$1; runs=$2
  times=(); rss=()
  for i in $(seq "$runs"); do
    dir=$(mktemp -d); cp -r "$build/bin/INCLUDE" "$dir/"
    start=$(date +%s%N)
    "$build/bin/qxpanel" --simulate --dir "$dir" 2>>"${QX_STARTUP_LOG:-/dev/null}" &
    pid=$!
    # xdotool --sync polls twice a second; poll every 5 ms instead.
    until xdotool search --onlyvisible --name "Qx-740xTEST" >/dev/null 2>&1; do
      kill -0 "$pid" 2>/dev/null || { echo "run $i: qxpanel did not start"; continue 2; }
      sleep 0.005
    done
    end=$(date +%s%N)
    kb=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
    kill "$pid"; wait "$pid" 2>/dev/null || true; rm -rf "$dir"
    ms=$(( (end - start) / 1000000 ))
    echo "run $i: ${ms} ms, ${kb} KB resident"
    times+=("$ms"); rss+=("$kb")
  done
  printf "%s\n" "${times[@]}" | sort -n | awk "{a[NR]=\$1} END {print \"median start-up: \" a[int((NR+1)/2)] \" ms\"}"
  printf "%s\n" "${rss[@]}" | sort -n | awk "{a[NR]=\$1} END {print \"median resident: \" a[int((NR+1)/2)] \" KB\"}"
' _ "$build" "$runs"
