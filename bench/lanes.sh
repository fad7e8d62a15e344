#!/usr/bin/env bash
# Eight lanes held for 3 s: each lane's launches beside a bare loop that starts
# the same trigger for eight lanes every 5 ms in the same run, how far apart the
# lanes' counts are, and how late the last launch comes after the release. Then
# the same timer, tick and launcher without the window, with one launcher
# thread and with two: whether a second one helps on this machine.
#   bench/lanes.sh [build-dir]
source "$(dirname "$0")/lib.sh"
prepare_driven
STAMPS=$work/program.stamps board held 3 8 -- "$work/vostrel"
released=$(awk '/^release/ { print $2; exit }' "$work/board.log")
STAMPS=$work/bare.stamps umockdev-run -d "$here/demo/joystick.umockdev" \
    -- "$build/bench/bench_pace" "$work/stamp" 3 8 >/dev/null
bare=$(awk '$2 == 1' "$work/bare.stamps" | wc -l)

# report NAME STAMPS RELEASED: counts per lane, the fewest against the bare
# loop's, and the last launch after the release.
report() {
    read -r -a n <<<"$(per_lane "$2")"
    local min max
    min=$(printf '%s\n' "${n[@]}" | sort -n | head -n1)
    max=$(printf '%s\n' "${n[@]}" | sort -n | tail -n1)
    echo "$1: ${n[*]} launches per lane (spread $((max - min)))," \
        "fewest x$(awk -v a="$min" -v b="$bare" 'BEGIN {printf "%.2f", a / b}') of the bare loop's," \
        "last launch $(sort -n "$2" | tail -n1 | awk -v r="$3" '{printf "%.1f", ($1 - r) / 1e6}') ms after the release"
}
report "eight held lanes, 3 s" "$work/program.stamps" "$released"
echo "bare loop, eight lanes every 5 ms (baseline): $bare launches per lane"
for threads in 1 2; do
    STAMPS=$work/chain$threads.stamps "$build/bench/bench_board" chain held 3 "$threads" \
        "$work/stamp" >"$work/chain.log" 2>/dev/null
    report "without the window, $threads launcher thread(s)" "$work/chain$threads.stamps" \
        "$(awk '/^release/ { print $2; exit }' "$work/chain.log")"
done
echo "(target: fewest at least x0.95, spread at most 2, last launch within 50 ms)"
