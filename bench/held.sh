#!/usr/bin/env bash
# One button held for 2 s on the simulated joystick: launches per second and
# the spread of the intervals between launches, as the trigger program sees
# them (so process start jitter is included).
#   bench/held.sh [build-dir]
source "$(dirname "$0")/lib.sh"
cat >"$work/stamp" <<SCRIPT
#!/bin/sh
date +%s%N >>"$work/stamps"
SCRIPT
chmod +x "$work/stamp"
printf 'E: 0.0 0000 0000 0000\nE: 3.0 0001 0120 0001\nE: 3.0 0000 0000 0000\nE: 5.0 0001 0120 0000\nE: 5.0 0000 0000 0000\n' >"$work/held.evemu"
start_program "$work/stamp" 1 "$work/held.evemu"
sleep 8
count=$(wc -l <"$work/stamps")
sort -n "$work/stamps" | awk 'NR > 1 { printf "%.3f\n", ($1 - prev) / 1e6 } { prev = $1 }' |
    sort -n >"$work/intervals"
n=$(wc -l <"$work/intervals")
at() { sed -n "$(( $1 > 0 ? $1 : 1 ))p" "$work/intervals"; }
echo "held button, 2 s: $count launches ($(awk -v c="$count" 'BEGIN {printf "%.1f", c / 2}') per second)"
echo "interval between launches: median $(at $((n / 2 + 1))) ms, p10 $(at $((n / 10 + 1))) ms," \
    "p90 $(at $((n * 9 / 10))) ms (target: median within 5 % of 5 ms)"
