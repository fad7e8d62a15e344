#!/usr/bin/env bash
# The picture beside the README's figures: the held button's intervals between
# launches and the press-to-launch latency, each beside its baseline, from the
# data that held.sh and pulses.sh keep when VOSTREL_BENCH_DATA names a folder.
#   bench/plot.sh DATA-DIR OUT.png
set -euo pipefail
data=$1
out=$2

# panel TITLE XMIN XMAX BIN PROGRAM-DATA BASELINE-DATA BASELINE-TITLE: one
# histogram pair, each bar the share of that run's launches.
panel() {
    local bar="using (\$1 - fmod(\$1, $4) + $4 / 2):(1.0 / %d) smooth frequency with boxes"
    echo "set title \"$1\"; set xrange [$2:$3]"
    printf "plot \"%s\" $bar lc rgb \"#c0392b\" title \"Vostrel, tick every 5 ms\", " \
        "$data/$5" "$(wc -l <"$data/$5")"
    printf "\"%s\" $bar lc rgb \"#2c3e50\" title \"%s\"\n" "$data/$6" "$(wc -l <"$data/$6")" "$7"
}
gnuplot <<GNUPLOT
set terminal pngcairo size 960,360 font "Liberation Sans,10"
set output "$out"
set multiplot layout 1,2
set style fill transparent solid 0.45 noborder
set ylabel "share of launches"
set xlabel "ms"
set grid ytics
fmod(x, w) = x - w * floor(x / w)
$(panel "Held button: interval between launches" 3 8 0.1 held-program held-bare \
    "bare loop every 5 ms (baseline)")
$(panel "1 ms pulse: press to the trigger's start" 0 20 0.25 latency-program latency-bare \
    "bare reader, starts at the press (baseline)")
unset multiplot
GNUPLOT
