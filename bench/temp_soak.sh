#!/usr/bin/env bash
# A night of the temperature test on the simulated bench and virtual time: POINTS chamber
# points x MODES modes (calibrator at 20 mV x mode), SAMPLES samples a capture, with the
# faults a lab night brings: bridge replies lost, inverted and late, the bridge unplugged and
# back, and unplugged for good (the run waits, stops, and is resumed as if replugged), chamber,
# calibrator and power-supply answers garbled and late, and one kill -9 followed by --resume.
# Every run segment gets its own random faults. At the end it checks that
#   - every segment either completed or said why it ended (exit 1 with its reason), except the
#     one killed, and the last one completed with every mode measured;
#   - QxTEMPA.CSV and QxTEMPB.CSV equal `qxctl runs export` of the journal byte for byte;
#   - no figure row comes from a failed capture: every row's mean is its own mode's input
#     (within a quarter of the 20 mV step between modes), none is empty;
# and prints the wall time and peak memory.
# usage: bench/temp_soak.sh [BUILD_DIR] [POINTS] [MODES] [SAMPLES] [SEED]
set -uo pipefail
build=$(cd "${1:-build}" && pwd)
points=${2:-30}
modes=${3:-48}
samples=${4:-65536}
seed=${5:-$RANDOM}
root=$(cd "$(dirname "$0")/.." && pwd)
qxctl="$build/bin/qxctl"
work=$(mktemp -d)
# SOAK_KEEP=1 keeps the folder, its journal and each segment's stderr for a look afterwards.
[[ ${SOAK_KEEP:-0} == 1 ]] || trap 'rm -rf "$work"' EXIT
dir="$work/bench"
mkdir -p "$dir"
cp -r "$root/INCLUDE" "$dir/"
echo "seed $seed: $points points x $modes modes x $samples samples, folder $dir"
RANDOM=$seed

{
  printf '   0\r\n'
  for ((m = 1; m <= modes; m++)); do printf '  00\r\n'; done
} >"$dir/Register.txt"
for ((m = 1; m <= modes; m++)); do printf '     1\r\n'; done >"$dir/Delay.txt"
for ((m = 1; m <= modes; m++)); do printf '   2.4\r\n'; done >"$dir/ACM.txt"
for ((m = 1; m <= modes; m++)); do printf '   1OUT %d mV ,0 Hz\r\n' $((20 * m)); done >"$dir/Fluke.txt"
for ((m = 1; m <= modes; m++)); do printf '   1VOLT 3.3\r\n'; done >"$dir/Power.txt"

# About one bridge request a poll of 21 results, and a few more a mode.
requests=$((points * modes * (samples / 21 + 40)))
rnd() { echo $(((RANDOM * 32768 + RANDOM) % ($2 - $1 + 1) + $1)); }
# The faults of one segment; `gone` adds an unplug with no replug.
plan() {
  local f=() i
  for i in 1 2 3 4 5 6; do f+=("drop@$(rnd 2000 "$requests")"); done
  for i in 1 2 3; do f+=("corrupt@$(rnd 2000 "$requests")"); done
  for i in 1 2 3; do f+=("late:300@$(rnd 2000 "$requests")"); done
  for i in 1 2; do f+=("late:1500@$(rnd 2000 "$requests")"); done
  for i in 1 2; do f+=("unplug:$(rnd 10000 300000)@$(rnd 2000 "$requests")"); done
  [[ $1 == gone ]] && f+=("unplug@$(rnd $((requests / 4)) $((requests / 2)))")
  for i in 1 2 3; do f+=("garble-chamber@$(rnd 2 $((points * 20)))"); done
  for i in 1 2; do f+=("slow-chamber:1500@$(rnd 2 $((points * 20)))"); done
  for i in 1 2 3; do f+=("garble-fluke@$(rnd 2 $((modes * points)))"); done
  for i in 1 2; do f+=("slow-fluke:800@$(rnd 2 $((modes * points)))"); done
  for i in 1 2; do f+=("garble-power@$(rnd 2 $((modes * points)))"); done
  local IFS=,
  echo "${f[*]}"
}

# Modes the journal holds for the run in progress.
recorded() {
  "$qxctl" --dir "$dir" runs list 2>/dev/null |
    awk -F, 'NR > 1 && $4 != "abandoned" { n = $8 } END { print n + 0 }'
}

last_state() {
  "$qxctl" --dir "$dir" runs list 2>/dev/null | awk -F, 'NR > 1 { s = $4 } END { print s }'
}

args=(--points "$points" --modes "$modes" --samples "$samples" --start -40 --step 5
  --chamber --hold 1 --link-wait 2)
wall_total=0
peak_kb=0
problems=0
segments=0
killed=0
kill_segment=0
failed_reported=0
link_waits=0
status=1
for ((segment = 1; segment <= 20 && status != 0; segment++)); do
  segments=$segment
  if ((segment == 1)); then mode=--new; else mode=--resume; fi
  faults=$(plan $([[ $segment == 1 ]] && echo gone || echo back))
  echo "$faults" >"$work/faults$segment"
  err="$work/segment$segment.err"
  start=$(date +%s.%N)
  /usr/bin/time -f "%e %M" -o "$work/time$segment" "$qxctl" --simulate --sim-fault "$faults" \
    --dir "$dir" temp-test "${args[@]}" "$mode" 2>"$err" >/dev/null &
  pid=$!
  if ((segment >= 2 && killed == 0)); then
    # The kill -9: in the first resumed segment that lives long enough, a few modes on.
    target=$(($(recorded) + $(rnd 2 $((modes / 2 + 2)))))
    while kill -0 "$pid" 2>/dev/null && (($(recorded) < target)); do sleep 0.2; done
    child=$(pgrep -P "$pid")
    if [[ -n $child ]] && kill -9 "$child" 2>/dev/null; then killed=1; fi
  fi
  wait "$pid"
  status=$?
  # time(1) puts "Command terminated by signal 9" before its figures when the run was killed.
  read -r wall kb < <(tail -1 "$work/time$segment")
  [[ $wall =~ ^[0-9.]+$ ]] || { wall=$(echo "$(date +%s.%N) - $start" | bc); kb=0; }
  wall_total=$(echo "$wall_total + $wall" | bc)
  ((kb > peak_kb)) && peak_kb=$kb
  failed=$(grep -c 'failed after 4 attempts' "$err")
  waits=$(grep -c 'waiting for the USB bridge up to' "$err")
  failed_reported=$((failed_reported + failed))
  link_waits=$((link_waits + waits))
  last=$(grep -v '^Point ' "$err" | tail -1)
  echo "segment $segment ($mode): exit $status, ${wall}s, ${kb} KiB, $failed failed modes" \
    "reported, $waits waits for the bridge: $last"
  if ((status == 137 && killed == 1 && kill_segment == 0)); then
    kill_segment=$segment
    # The kill may land after the last mode was recorded: then there is nothing to resume.
    [[ $(last_state) == completed ]] && status=0 || status=1
    continue
  fi
  # Ended otherwise than completed: it must say why, and exit 1.
  if ((status != 0)); then
    if ((status != 1)) || ! grep -qE 'did not complete: .|completed with [0-9]+ failed modes' "$err"; then
      echo "FAULT: segment $segment ended with exit $status and no reason" >&2
      problems=$((problems + 1))
    fi
  elif ((failed > 0)); then
    echo "FAULT: segment $segment exited 0 after failed modes" >&2
    problems=$((problems + 1))
  fi
done

id=$("$qxctl" --dir "$dir" runs list | awk -F, 'NR > 1 && $4 != "abandoned" { id = $1 } END { print id }')
state=$("$qxctl" --dir "$dir" runs list | awk -F, -v id="$id" '$1 == id { print $4 }')
echo "journal: run $id $state"
[[ $status == 0 && $state == completed ]] || { echo "FAULT: the run did not complete" >&2; problems=$((problems + 1)); }

"$qxctl" --dir "$dir" runs export "$id" --out "$work/export" >/dev/null 2>&1
for f in QxTEMPA.CSV QxTEMPB.CSV; do
  if cmp -s "$dir/$f" "$work/export/$f"; then
    echo "$f equals runs export byte for byte"
  else
    echo "FAULT: $f differs from runs export" >&2
    problems=$((problems + 1))
  fi
done

# QxTEMPB.CSV: after two header lines, "m, mean, ..." for every point and mode. The input of
# mode m is 20 mV x m, so mean / k is m (k from the last mode's rows, where the board's small
# offset weighs least); a figure of another mode or of no capture is a whole step or more off.
check=$(awk -F', *' -v modes="$modes" '
  NR > 2 { rows++; m[rows] = $1; v[rows] = $2; if ($2 == "") empty++
           else if ($1 == modes) { k += $2 / $1; n++ } }
  END {
    k = n ? k / n : 1
    for (i = 1; i <= rows; i++) {
      if (v[i] == "") continue
      d = v[i] / k - m[i]; if (d < 0) d = -d
      if (d > worst) worst = d
      if (d >= 0.25) wrong++
    }
    printf "%d %d %d %.4f", rows, empty, wrong, worst
  }' "$dir/QxTEMPB.CSV")
read -r rows empty wrong worst <<<"$check"
echo "QxTEMPB.CSV: $rows rows, $empty empty, $wrong not their mode's input" \
  "(largest difference $worst of a 20 mV step)"
if ((rows != points * modes || empty != 0 || wrong != 0)); then
  echo "FAULT: a row is missing, empty or not its own mode's figure" >&2
  problems=$((problems + 1))
fi

# QxTEMPA.CSV: every point's line holds the temperature the chamber was held at, garbled or
# late chamber answers notwithstanding: -40 + 5 x (point - 1).
tempsWrong=$(awk -F', *' -v modes="$modes" '
  NR > 2 { t = int((NR - 3) / modes); if ($1 == "" || $1 + 0 != -40 + 5 * t) bad++ }
  END { print bad + 0 }' "$dir/QxTEMPA.CSV")
echo "QxTEMPA.CSV: $tempsWrong lines without their point's temperature"
if ((tempsWrong != 0)); then
  echo "FAULT: a line of QxTEMPA.CSV lacks its temperature" >&2
  problems=$((problems + 1))
fi

echo "segments $segments (killed with -9: segment $kill_segment), failed modes reported and measured again:" \
  "$failed_reported, waits for the bridge: $link_waits"
echo "wall time ${wall_total}s in all, peak RSS ${peak_kb} KiB"
if ((problems == 0)); then echo "soak: all checks passed"; else echo "soak: $problems checks failed"; fi
exit $((problems != 0))
