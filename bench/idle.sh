#!/usr/bin/env bash
# The running program with no button down, side by side with a bare 200 Hz
# worker-to-main-thread handshake: processor time over the same span, and the
# program's resident memory. Needs a display (or runs one with Xvfb).
#   bench/idle.sh [build-dir] [seconds]
set -euo pipefail
build=${1:-build/linux}
seconds=${2:-10}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
if [ -z "${DISPLAY:-}" ]; then
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/display")"
fi
cp "$build/vostrel" "$work/vostrel"
printf '[Settings]\r\nPathToTrigger=/bin/true\r\nNumberOfJoy=1\r\n' >"$work/vostrel.ini"
: >"$work/none.evemu"
umockdev-run -d "$here/demo/joystick.umockdev" -i /dev/input/event7="$here/demo/joystick.ioctl" \
    -e /dev/input/event7="$work/none.evemu" -- "$work/vostrel" >/dev/null 2>&1 &
for _ in $(seq 100); do pgrep -f "^$work/vostrel" >/dev/null && break; sleep 0.1; done
pid=$(pgrep -f "^$work/vostrel" | head -n1)
sleep 2 # let start-up settle
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
floor=$("$build/bench/bench_handshake" "$seconds")
after=$(ticks)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
kill -TERM "$pid"
awk -v a="$after" -v b="$before" -v hz="$hz" -v f="$floor" -v s="$seconds" -v rss="$rss" 'BEGIN {
    prog = (a - b) / hz
    printf "idle program:       %.3f s of processor over %d s (%.2f %% of a core)\n", prog, s, 100 * prog / s
    printf "bare 200 Hz floor:  %.3f s (%.2f %% of a core)\n", f, 100 * f / s
    printf "ratio program/floor: x%.2f (target: at most x2)\n", (f > 0 ? prog / f : 0)
    printf "resident memory:    %.1f MB (target: under 40 MB)\n", rss / 1024
}'
