#!/usr/bin/env bash
# The running program with no button down, side by side with a bare 200 Hz
# worker-to-main-thread handshake (bench_handshake): processor time over the
# same span, and the program's resident memory. Needs a display (or runs one
# with Xvfb).
#   bench/idle.sh [build-dir] [seconds]
#   VOSTREL_BENCH_JOYSTICK=2 bench/idle.sh   # without the emulated device reads
source "$(dirname "$0")/lib.sh"
seconds=${2:-10}
# NumberOfJoy 1 reads the simulated joystick on every tick (each read goes
# through umockdev's emulation, which costs more than a real device); 2 asks for
# an id past the list, which reads nothing: the program's own cost.
number=${VOSTREL_BENCH_JOYSTICK:-1}
: >"$work/none.evemu"
start_program /bin/true "$number" "$work/none.evemu"
pid=$PID
sleep 12 # let start-up settle, and the text cursor stop blinking (10 s)
# Processor time of all its threads in ns (schedstat: exact, where the jiffy
# counts of /proc/PID/stat are 10 ms grains).
ticks() { cat /proc/"$pid"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f\n", s }'; }
hz=1000000000
before=$(ticks)
# The floor runs under the same emulation, whose wrappers of read and write
# both wake-ups go through.
floor=$(umockdev-run -d "$here/demo/joystick.umockdev" -- "$build/bench/bench_handshake" "$seconds")
after=$(ticks)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
kill -TERM "$pid"
awk -v a="$after" -v b="$before" -v hz="$hz" -v f="$floor" -v s="$seconds" -v rss="$rss" 'BEGIN {
    prog = (a - b) / hz
    printf "idle program:       %.3f s of processor over %d s (%.2f %% of a core)\n", prog, s, 100 * prog / s
    printf "bare 200 Hz floor:  %.3f s (%.2f %% of a core)\n", f, 100 * f / s
    printf "ratio program/floor: x%.2f (target: at most x1.3)\n", (f > 0 ? prog / f : 0)
    printf "resident memory:    %.1f MB (target: under 40 MB)\n", rss / 1024
}'
