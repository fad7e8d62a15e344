# Shared by the benchmark scripts: a scratch folder, a display, and the program
# started from a copy beside its own settings file on the simulated joystick.
set -euo pipefail
build=${1:-build/linux}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'pkill -TERM -f "^$work/vostrel" 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
if [ -z "${DISPLAY:-}" ]; then
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/display")"
fi

# start_program TRIGGER NUMBER EVENTS: sets PID to the running program.
start_program() {
    cp "$build/vostrel" "$work/vostrel"
    printf '[Settings]\r\nPathToTrigger=%s\r\nNumberOfJoy=%s\r\n' "$1" "$2" >"$work/vostrel.ini"
    umockdev-run -d "$here/demo/joystick.umockdev" -i /dev/input/event7="$here/demo/joystick.ioctl" \
        -e /dev/input/event7="$3" -- "$work/vostrel" >/dev/null 2>&1 &
    for _ in $(seq 100); do pgrep -f "^$work/vostrel" >/dev/null && break; sleep 0.1; done
    PID=$(pgrep -f "^$work/vostrel" | head -n1)
}

# The program's copy and settings file for the bench_board scenarios, with the
# compiled stamp as its trigger (its lines: start time in ns, lane).
prepare_driven() {
    cp "$build/vostrel" "$work/vostrel"
    cp "$build/bench/bench_stamp" "$work/stamp"
    printf '[Settings]\r\nPathToTrigger=%s\r\nNumberOfJoy=1\r\n' "$work/stamp" >"$work/vostrel.ini"
}

# board SCENARIO ARGS -- COMMAND: plays the scenario on the simulated joystick
# for COMMAND; the presses and releases go to $work/board.log.
board() { "$build/bench/bench_board" drive "$@" >"$work/board.log" 2>/dev/null; }

# at FILE FRACTION: the value at that fraction of a sorted file of numbers.
at() {
    awk -v f="$2" '{ v[NR] = $1 } END { i = int(NR * f) + 1; if (i > NR) i = NR; print v[i] }' "$1"
}

# keep FILE NAME: a copy for the picture, when report.sh asks for one.
keep() { if [ -n "${VOSTREL_BENCH_DATA:-}" ]; then cp "$1" "$VOSTREL_BENCH_DATA/$2"; fi; }

# per_lane STAMPS: launches of lanes 1 to 8, space-separated.
per_lane() {
    awk '{ n[$2]++ } END { for (l = 1; l <= 8; l++) printf "%s%d", (l > 1 ? " " : ""), n[l] + 0 }' "$1"
}
