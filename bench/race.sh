#!/usr/bin/env bash
# A simulated race, not part of the tests: eight lanes, pulses of 1 to 4 ms at
# random gaps of 15 to 60 ms on each lane, for several minutes. Every pulse
# must launch the trigger exactly once, lane by lane, and the program's
# resident memory must stay flat.
#   bench/race.sh [build-dir] [seconds]
source "$(dirname "$0")/lib.sh"
seconds=${2:-300}
prepare_driven
STAMPS=$work/program.stamps board race "$seconds" -- "$work/vostrel"
pulses=$(awk '$1 == "press" { n[$3]++ } END { for (l = 1; l <= 8; l++) printf "%s%d", (l > 1 ? " " : ""), n[l] + 0 }' "$work/board.log")
launches=$(per_lane "$work/program.stamps")
echo "race of $seconds s, eight lanes: $(awk '$1 == "press"' "$work/board.log" | wc -l) pulses"
echo "  pulses per lane:   $pulses"
echo "  launches per lane: $launches"
if [ "$pulses" = "$launches" ]; then
    echo "  every lane: launches equal pulses"
else
    echo "  launches minus pulses: $(awk -v p="$pulses" -v l="$launches" 'BEGIN { n = split(p, a); split(l, b)
        for (i = 1; i <= n; i++) { d += b[i] - a[i]; s = s sprintf(" %+d", b[i] - a[i]) }
        printf "%+d (lane by lane:%s)", d, s }')"
fi
# Each launch belongs to the latest press on its lane that had begun to be
# written before it (a lane's pulses are at least 15 ms apart). A pulse shorter
# than 5 ms holds at most one tick, so it must launch exactly once; a longer one
# (the machine held the board's release up) is down at two ticks when it spans
# them, and launches at each. A launch held up past the lane's next press shows
# as a pulse with none followed by a short one with two: counted as late.
{ awk '$1 == "press" { print $4, $1, $3 } $1 == "release" { print $2, $1, $3 }' "$work/board.log"
  awk '{ print $1, "launch", $2 }' "$work/program.stamps"; } | sort -n -k1,1 | awk '
    function classify(l) {
        if (none[l] && n[l] == 2 && w[l] < 5e6) {
            once += 2; late++; none[l] = 0; slow(first[l] - noneAt[l]); return
        }
        if (none[l]) { lost++; none[l] = 0 }
        if (n[l] > 0) slow(first[l] - at[l])
        if (n[l] == 1) once++; else if (n[l] == 0) { none[l] = 1; noneAt[l] = at[l] }
        else if (w[l] < 5e6) twiceShort++; else twiceLong++
    }
    function slow(d) { if (d > slowest) slowest = d }
    function close_pulse(l) { if (open[l]) classify(l); open[l] = 0 }
    $2 == "press" { close_pulse($3); open[$3] = 1; n[$3] = 0; at[$3] = $1; pulses++ }
    $2 == "release" { w[$3] = $1 - at[$3] }
    $2 == "launch" { if (!open[$3]) stray++; else if (n[$3]++ == 0) first[$3] = $1 }
    END { for (l in open) close_pulse(l)
        for (l in none) lost += none[l]
        printf "  pulse by pulse: %d of %d launched exactly once (%d late, after the lane'"'"'s next press);", once, pulses, late
        printf " never launched: %d; shorter than 5 ms and launched more than once: %d;", lost, twiceShort
        printf " held over 5 ms by the machine and launched at two ticks: %d; launches before any press: %d;", twiceLong, stray + 0
        printf " slowest launch %.1f ms after its press\n", slowest / 1e6 }'
# A busy machine can hold the simulated board itself up: it then shifts what
# follows, but a release that went out late makes a pulse that may span two
# ticks; and two pulses of a lane merge into one launch when a tick comes over
# 15 ms late.
echo "  the board's own events went out up to $(awk '$1 == "late" { print $2 }' "$work/board.log") ms late;" \
    "$(awk '$1 == "press" { p[$3] = $2 } $1 == "release" && $2 - p[$3] >= 5e6 { n++ }
        END { print n + 0 }' "$work/board.log") pulses were held over 5 ms"
awk '$1 == "rss" { kb[++n] = $3 } END {
    printf "  resident memory: %.1f MB after the first 10 s, %.1f MB at the end (%+.1f MB)\n",
        kb[2] / 1024, kb[n] / 1024, (kb[n] - kb[2]) / 1024 }' "$work/board.log"
