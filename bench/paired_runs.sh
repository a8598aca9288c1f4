#!/usr/bin/env bash
# Compares two builds of quillomark-headless on one ROM set by alternating runs, so drift in the
# machine's load falls on both alike: prints each pair's user-CPU seconds and the new/old ratio,
# then the median ratio and the spread.
# Usage: paired_runs.sh OLD_HEADLESS NEW_HEADLESS ROM_SET_DIR [PAIRS] [FRAMES]
# A CPU-bound ROM set: `quillomark-test-rom busy DIR` (100,000 loop passes a frame).
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
cd "$3"
pairs=${4:-7}
frames=${5:-1000}
user_seconds() {
  local out
  out=$({ TIMEFORMAT=%U; time "$1" --frames "$frames" >/dev/null 2>&1; } 2>&1)
  echo "$out"
}
ratios=()
for i in $(seq "$pairs"); do
  a=$(user_seconds "$old")
  b=$(user_seconds "$new")
  ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f", b / a }')
  ratios+=("$ratio")
  echo "pair $i: old ${a}s new ${b}s ratio $ratio"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END {
  m = (NR % 2) ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2
  printf "median ratio %.3f, spread %.3f to %.3f over %d pairs\n", m, r[1], r[NR], NR }'
