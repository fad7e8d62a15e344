# Helpers for the end-to-end tests. Sourced by each test_*.sh, inside session.sh.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    [ -n "${DISPLAY:-}" ] && import -window root "$VOSTREL_WORK/failure.png" 2>/dev/null || true
    exit 1
}

# wait_for BOUND_SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds.
wait_for() {
    local bound=$1
    shift
    local tries=$((bound * 10))
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# A copy of the program in its own folder, with a settings file beside it and a
# trigger program that records each lane it is started with.
prepare_program() {
    local number=${1:-1}
    mkdir -p "$VOSTREL_WORK/app"
    cp "$VOSTREL_EXE" "$VOSTREL_WORK/app/vostrel"
    cat >"$VOSTREL_WORK/app/record-lane" <<SCRIPT
#!/bin/sh
echo "\$#:\$1" >>"$VOSTREL_WORK/lanes.log"
SCRIPT
    chmod +x "$VOSTREL_WORK/app/record-lane"
    : >"$VOSTREL_WORK/lanes.log"
    printf '[Settings]\r\nPathToTrigger=%s\r\nNumberOfJoy=%s\r\n' \
        "$VOSTREL_WORK/app/record-lane" "$number" >"$VOSTREL_WORK/app/vostrel.ini"
}

# The id of the program's visible top-level window called NAME.
window_of() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }

in_client_list() {
    xprop -root _NET_CLIENT_LIST | tr ',' '\n' | grep -qi "$(printf '0x%x' "$1")\$"
}

# Waits for the main window and for the window manager to have framed it (its
# place on screen is known only then); sets win.
wait_for_main_window() {
    wait_for 20 window_of Vostrel || fail "no window called Vostrel"
    win=$(window_of Vostrel)
    wait_for 10 in_client_list "$win" || fail "the window manager did not take the main window"
    wait_for 10 bash -c "xprop -id $win _NET_FRAME_EXTENTS | grep -q =" ||
        fail "the main window has no frame"
}

# The colour (as srgb(r,g,b)) of the screen pixel at X,Y.
pixel_at() {
    import -window root "$VOSTREL_WORK/screen.png"
    convert "$VOSTREL_WORK/screen.png" -format "%[pixel:p{$1,$2}]" info:
}

# Client-area origin of window $1 on the screen: "X Y".
client_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

lane_count() { grep -c "^1:$1\$" "$VOSTREL_WORK/lanes.log" || true; }
# lanes_at_least LANE N: lane LANE was launched at least N times (for wait_for).
lanes_at_least() { [ "$(lane_count "$1")" -ge "$2" ]; }
# client_size_is WINDOW W H
client_size_is() { xwininfo -id "$1" | grep -q "Width: $2" && xwininfo -id "$1" | grep -q "Height: $3"; }

# Starts the prepared program on the simulated joystick, playing EVENTS (an
# evemu file); sets APP_PID to the program's process.
# Nothing runs from the program's folder any more (the program and its umockdev-run).
no_program_processes() { ! pgrep -f "$VOSTREL_WORK/app/"; }

start_program() {
    local events=$1
    (cd "$VOSTREL_WORK" &&
        exec umockdev-run -d "$VOSTREL_SOURCE/demo/joystick.umockdev" \
            -i /dev/input/event7="$VOSTREL_SOURCE/demo/joystick.ioctl" \
            -e /dev/input/event7="$events" -- "$VOSTREL_WORK/app/vostrel") \
        >"$VOSTREL_WORK/program.log" 2>&1 &
    wait_for 20 pgrep -f "^$VOSTREL_WORK/app/vostrel" || fail "the program did not start"
    APP_PID=$(pgrep -f "^$VOSTREL_WORK/app/vostrel" | head -n1)
}
