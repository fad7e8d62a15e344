#!/usr/bin/env bash
# Runs every benchmark and prints their figures as one table (Markdown), each
# beside the baseline it was measured against in the same run.
# Also draws the picture beside the table (docs/latency.png, or $VOSTREL_BENCH_PNG)
# and runs a simulated race of $VOSTREL_RACE_SECONDS (default 180; 0 leaves it out).
#   bench/report.sh [build-dir]
set -euo pipefail
build=${1:-build/linux}
here=$(dirname "$0")
source "$here/../scripts/deps.sh"
install_missing "${VOSTREL_BENCH_PACKAGES[@]}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export VOSTREL_BENCH_DATA=$tmp
race=${VOSTREL_RACE_SECONDS:-180}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

"$build/bench/bench_timer" >"$tmp/timer"
"$build/bench/bench_launch" >"$tmp/launch"
"$here/idle.sh" "$build" 20 >"$tmp/idle"
VOSTREL_BENCH_JOYSTICK=2 "$here/idle.sh" "$build" 20 >"$tmp/idle-nodev"
"$here/held.sh" "$build" >"$tmp/held"
"$here/lanes.sh" "$build" >"$tmp/lanes"
"$here/pulses.sh" "$build" >"$tmp/pulses"
if [ "$race" -gt 0 ]; then "$here/race.sh" "$build" "$race" >"$tmp/race"; fi
"$here/plot.sh" "$tmp" "${VOSTREL_BENCH_PNG:-$here/../docs/latency.png}"

# field FILE LINE-PATTERN SED-CAPTURE: the first capture on the first matching line.
field() { grep -m1 -E "$2" "$tmp/$1" | sed -E "s/.*$3.*/\1/"; }
echo "| Figure | Measured | Baseline (same run) | Target |"
echo "|---|---|---|---|"
echo "| Tick period at 5 ms, median | $(field timer '^TThreadedTimer' 'median +([0-9.]+ ms)') | $(field timer '^baseline:' 'median +([0-9.]+ ms)') (plain timed waits) | within 3 % of 5 ms |"
echo "| Tick period, 99th percentile | $(field timer '^TThreadedTimer' 'p99 +([0-9.]+ ms)') | $(field timer '^baseline:' 'p99 +([0-9.]+ ms)') | under 6 ms |"
echo "| Hand-over latency, median / p99 | $(field timer '^Hand-over' 'median ([0-9.]+ ms)') / $(field timer '^Hand-over' 'p99 ([0-9.]+ ms)') | | p99 under 0.5 ms |"
echo "| One launch (posix_spawn), median | $(field launch 'posix_spawn \(' '\) +([0-9.]+) ') us | QProcess::startDetached: x$(field launch 'startDetached' ' ([0-9.]+)$') slower | at least 3x cheaper |"
echo "| Same, parent holding 40 MB | | QProcess::startDetached: x$(grep -E 'startDetached' "$tmp/launch" | sed -n 2p | sed -E 's/.* ([0-9.]+)$/\1/') slower | |"
echo "| Tick's share of one launch | $(field launch 'a launch' '\(([0-9.]+ us) a launch') | | under 20 us |"
echo "| Idle processor use | $(field idle '^idle program' '\(([0-9.]+ %) of a core') of a core | $(field idle 'floor' '\(([0-9.]+ %) of a core') (bare 200 Hz hand-over): x$(field idle '^ratio' 'floor: x([0-9.]+)') | at most x1.3 |"
echo "| Idle, reading no joystick | $(field idle-nodev '^idle program' '\(([0-9.]+ %) of a core') of a core | $(field idle-nodev 'floor' '\(([0-9.]+ %) of a core'): x$(field idle-nodev '^ratio' 'floor: x([0-9.]+)') | at most x1.3 |"
echo "| Resident memory | $(field idle 'resident' ': +([0-9.]+ MB)') | | under 40 MB |"
bare() { grep -A1 '^bare loop' "$tmp/held" | sed -nE "s/.*$1.*/\1/p" | head -n1; }
echo "| Held button, 2 s: launches | $(field held '^held button' ': ([0-9]+) launches') | $(bare ': ([0-9]+) launches') (bare loop every 5 ms, same trigger) | at least 380 |"
echo "| Held button: median interval | $(field held 'median' 'median ([0-9.]+ ms)') | $(bare 'median ([0-9.]+ ms)') | at most 5.2 ms |"
echo "| Eight held lanes, 3 s: launches per lane | $(field lanes '^eight' ': ([0-9 ]+) launches') (spread $(field lanes '^eight' 'spread ([0-9]+)')) | $(field lanes '^bare' ': ([0-9]+) launches') (bare loop, eight lanes every 5 ms): x$(field lanes '^eight' 'fewest x([0-9.]+)') | at least x0.95, spread at most 2 |"
echo "| Eight lanes: last launch after the release | $(field lanes '^eight' 'last launch ([0-9.]+ ms)') | | within 50 ms |"
echo "| Eight lanes without the window: one / two launcher threads | x$(field lanes '1 launcher' 'fewest x([0-9.]+)') / x$(field lanes '2 launcher' 'fewest x([0-9.]+)') of the bare loop | | |"
echo "| 1 ms pulses launched exactly once | $(field pulses '^program' ': ([0-9]+ of [0-9]+)') | $(field pulses '^bare' ': ([0-9]+ of [0-9]+)') (bare reader) | all |"
echo "| Same, main thread busy 200 ms / not | $(field pulses '^main thread' 'pulses: ([0-9]+) launches') / $(field pulses '^main thread' '; ([0-9]+) for') of $(field pulses '^main thread' 'each of ([0-9]+) pulses') | | all |"
echo "| Press to launch, median / p99 | $(field pulses '^program' 'median ([0-9.]+ ms)') / $(field pulses '^program' 'p99 ([0-9.]+ ms)') | $(field pulses '^bare' 'median ([0-9.]+ ms)') / $(field pulses '^bare' 'p99 ([0-9.]+ ms)') (bare reader, starts at the press); tick period 5 ms | about half a tick more than the baseline |"
if [ "$race" -gt 0 ]; then
    echo "| Simulated race, $race s: launches against pulses | $(grep -E 'every lane|minus pulses' "$tmp/race" | sed 's/^ *//') ($(field race '^race' ': ([0-9]+) pulses') pulses) | board's own events up to $(field race 'went out' 'up to ([0-9.]+ ms)') late, $(field race 'went out' '; ([0-9]+) pulses were held') pulses held over 5 ms | equal, lane by lane |"
    echo "| Race, pulse by pulse: exactly once (late) / never / shorter than 5 ms and more than once / held over 5 ms, two ticks | $(field race 'pulse by pulse' ': ([0-9]+) of') ($(field race 'pulse by pulse' '\(([0-9]+) late')) / $(field race 'pulse by pulse' 'never launched: ([0-9]+)') / $(field race 'pulse by pulse' 'more than once: ([0-9]+)') / $(field race 'pulse by pulse' 'two ticks: ([0-9]+)') | slowest launch $(field race 'pulse by pulse' 'slowest launch ([0-9.]+ ms)') after its press | every pulse under 5 ms exactly once |"
    echo "| Race: resident memory | $(field race 'resident' 'memory: (.*)$') | | flat |"
fi
echo
echo "Load average (1, 5, 15 min): $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after."
