#!/usr/bin/env bash
# One button held for 2 s on the simulated joystick: launches and the spread of
# the intervals between them, as the trigger program sees them (so process
# start jitter is included; the trigger is a small compiled program that
# appends its start time to $STAMPS). The baseline is the same trigger started
# every 5 ms for 2 s by a bare loop (bench_pace) on the same machine and
# simulated device: what the machine allows, whatever the program does.
#   bench/held.sh [build-dir]
source "$(dirname "$0")/lib.sh"
prepare_driven
STAMPS=$work/program.stamps board held 2 1 -- "$work/vostrel"
STAMPS=$work/bare.stamps umockdev-run -d "$here/demo/joystick.umockdev" \
    -- "$build/bench/bench_pace" "$work/stamp" 2 >/dev/null

# summary NAME STAMPS KEEP: launches in 2 s and the intervals' median, p10, p90.
summary() {
    local count
    count=$(wc -l <"$2")
    sort -n "$2" | awk 'NR > 1 { printf "%.3f\n", ($1 - prev) / 1e6 } { prev = $1 }' |
        sort -n >"$work/intervals"
    keep "$work/intervals" "$3"
    echo "$1, 2 s: $count launches ($(awk -v c="$count" 'BEGIN {printf "%.1f", c / 2}') per second)"
    echo "  interval between launches: median $(at "$work/intervals" 0.5) ms," \
        "p10 $(at "$work/intervals" 0.1) ms, p90 $(at "$work/intervals" 0.9) ms"
}
summary "held button" "$work/program.stamps" held-program
summary "bare loop every 5 ms (baseline)" "$work/bare.stamps" held-bare
echo "ratio of launches to the baseline's: x$(awk -v a="$(wc -l <"$work/program.stamps")" \
    -v b="$(wc -l <"$work/bare.stamps")" 'BEGIN {printf "%.2f", a / b}')" \
    "(target: median interval at most 5.2 ms, at least 380 launches)"
