#!/usr/bin/env bash
# One button held for 2 s on the simulated joystick: launches per second and
# the spread of the intervals between launches, as the trigger program sees
# them (so process start jitter is included; the trigger is a small compiled
# program that appends its start time to $STAMPS). The baseline is the same trigger
# started every 5 ms for 2 s by a bare loop (bench_pace) on the same machine
# and simulated device: what the machine allows, whatever the program does.
#   bench/held.sh [build-dir]
source "$(dirname "$0")/lib.sh"
cp "$build/bench/bench_stamp" "$work/stamp"
printf 'E: 0.0 0000 0000 0000\nE: 3.0 0001 0120 0001\nE: 3.0 0000 0000 0000\nE: 5.0 0001 0120 0000\nE: 5.0 0000 0000 0000\n' >"$work/held.evemu"
export STAMPS=$work/program.stamps
start_program "$work/stamp" 1 "$work/held.evemu"
sleep 8
pkill -TERM -f "^$work/vostrel" || true
for _ in $(seq 100); do pgrep -f "^$work/vostrel" >/dev/null || break; sleep 0.1; done

STAMPS=$work/bare.stamps umockdev-run -d "$here/demo/joystick.umockdev" \
    -i /dev/input/event7="$here/demo/joystick.ioctl" -- "$build/bench/bench_pace" "$work/stamp" 2 \
    >/dev/null

# summary NAME STAMPS: launches per second over 2 s and the intervals' median, p10, p90.
summary() {
    local count n
    count=$(wc -l <"$2")
    sort -n "$2" | awk 'NR > 1 { printf "%.3f\n", ($1 - prev) / 1e6 } { prev = $1 }' |
        sort -n >"$work/intervals"
    n=$(wc -l <"$work/intervals")
    at() { sed -n "$(($1 > 0 ? $1 : 1))p" "$work/intervals"; }
    echo "$1, 2 s: $count launches ($(awk -v c="$count" 'BEGIN {printf "%.1f", c / 2}') per second)"
    echo "  interval between launches: median $(at $((n / 2 + 1))) ms, p10 $(at $((n / 10 + 1))) ms," \
        "p90 $(at $((n * 9 / 10))) ms"
}
summary "held button" "$work/program.stamps"
summary "bare loop every 5 ms (baseline)" "$work/bare.stamps"
echo "ratio of launches to the baseline's: x$(awk -v a="$(wc -l <"$work/program.stamps")" \
    -v b="$(wc -l <"$work/bare.stamps")" 'BEGIN {printf "%.2f", a / b}') (target: median interval within 5 % of 5 ms)"
