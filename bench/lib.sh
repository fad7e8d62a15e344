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
