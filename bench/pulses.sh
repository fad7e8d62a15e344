#!/usr/bin/env bash
# Pulses of 1 ms on the simulated joystick, 20 to 40 ms apart so that they fall
# on every phase of the tick, on lanes 1 to 8 in turn: each must launch exactly once, and the time from
# the press to the trigger's own start stamp is the press-to-launch latency
# (expect about half a tick plus one process start). The baseline is a bare
# reader that starts the trigger the moment the press arrives. Then the same
# pulses while the main thread is busy for 200 ms (timer, tick and launcher
# without the window).
#   bench/pulses.sh [build-dir] [pulses]
source "$(dirname "$0")/lib.sh"
count=${2:-300}
prepare_driven

# latencies NAME STAMPS KEEP: for each press the launches of its lane before
# that lane's next press; the first one's delay in ms.
latencies() {
    sort -n "$2" | awk -v out="$work/latency" '
        FNR == NR {
            if ($1 == "press") { p[++np] = $2; lane[np] = $3; open_[$3] = np }
            if ($1 == "release") wide[open_[$3]] = ($2 - p[open_[$3]] >= 5e6)
            next
        }
        { s[++ns] = $1; sl[ns] = $2 }
        END {
            for (i = 1; i <= np; i++) {
                until = 9e18
                for (k = i + 1; k <= np; k++) if (lane[k] == lane[i]) { until = p[k]; break }
                n = 0
                for (j = 1; j <= ns; j++)
                    if (sl[j] == lane[i] && s[j] >= p[i] && s[j] < until) {
                        if (n++ == 0) printf "%.3f\n", (s[j] - p[i]) / 1e6 > out
                        used++
                    }
                if (n == 1) once++; else if (n == 0) lost++; else { twice++; held += wide[i] }
            }
            printf "%d %d %d %d %d\n", once, lost, twice, ns - used, held
        }' "$work/board.log" - >"$work/counts"
    sort -n "$work/latency" -o "$work/latency"
    keep "$work/latency" "$3"
    read -r once lost twice stray held <"$work/counts"
    echo "$1: $once of $count pulses launched exactly once ($lost lost, $twice more than once" \
        "($held of them held over 5 ms by a busy machine), $stray other launches); latency median $(at "$work/latency" 0.5) ms," \
        "p99 $(at "$work/latency" 0.99) ms"
}
STAMPS=$work/program.stamps board pulses "$count" -- "$work/vostrel"
latencies "program, 1 ms pulses" "$work/program.stamps" latency-program
seconds=$(awk -v c="$count" 'BEGIN { print int(c * 0.03) + 5 }')
STAMPS=$work/bare.stamps board pulses "$count" -- \
    "$build/bench/bench_pace" --on-press /dev/input/event7 "$work/stamp" "$seconds"
latencies "bare reader starting at the press (baseline)" "$work/bare.stamps" latency-bare
echo "tick period: 5 ms (a press waits half of it on average)"

rounds=$((count / 10))
STAMPS=$work/busy.stamps "$build/bench/bench_board" chain busy "$rounds" "$work/stamp" \
    >"$work/busy.log" 2>/dev/null
read -r busy free <<<"$(per_lane "$work/busy.stamps" | cut -d' ' -f1,2)"
echo "main thread busy 200 ms at each of $rounds pulses: $busy launches;" \
    "$free for as many pulses while it is not (target: exactly one each)"
