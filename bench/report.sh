#!/usr/bin/env bash
# Runs every benchmark and prints their figures as one table (Markdown), each
# beside the baseline it was measured against in the same run.
#   bench/report.sh [build-dir]
set -euo pipefail
build=${1:-build/linux}
here=$(dirname "$0")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$build/bench/bench_timer" >"$tmp/timer"
"$build/bench/bench_launch" >"$tmp/launch"
"$here/idle.sh" "$build" 10 >"$tmp/idle"
VOSTREL_BENCH_JOYSTICK=2 "$here/idle.sh" "$build" 10 >"$tmp/idle-nodev"
"$here/held.sh" "$build" >"$tmp/held"

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
echo "| Idle processor use | $(field idle '^idle program' '\(([0-9.]+ %) of a core') of a core | $(field idle 'floor' '\(([0-9.]+ %) of a core') (bare 200 Hz hand-over): x$(field idle '^ratio' 'floor: x([0-9.]+)') | at most x2 |"
echo "| Idle, device reads left out | $(field idle-nodev '^idle program' '\(([0-9.]+ %) of a core') of a core | $(field idle-nodev 'floor' '\(([0-9.]+ %) of a core'): x$(field idle-nodev '^ratio' 'floor: x([0-9.]+)') | at most x2 |"
echo "| Resident memory | $(field idle 'resident' ': +([0-9.]+ MB)') | | under 40 MB |"
bare() { grep -A1 '^bare loop' "$tmp/held" | sed -nE "s/.*$1.*/\1/p" | head -n1; }
echo "| Held button: launches per second | $(field held '^held button' '\(([0-9.]+) per') | $(bare '\(([0-9.]+) per') (bare loop every 5 ms, same trigger): x$(field held '^ratio' 'x([0-9.]+)') | |"
echo "| Held button: median interval | $(field held 'median' 'median ([0-9.]+ ms)') | $(bare 'median ([0-9.]+ ms)') | within 5 % of 5 ms |"
