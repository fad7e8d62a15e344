#!/usr/bin/env bash
# A Wayland session (weston, headless). With XWayland beside it the program
# runs as an X11 client, so that its window is placed and its minimise seen;
# without an X server it runs as a native Wayland client: it starts, reads the
# joystick, launches, and ends cleanly on SIGTERM.
source "$(dirname "$0")/lib.sh"

unset DISPLAY QT_QPA_PLATFORM # the program chooses for itself here
export XDG_RUNTIME_DIR=$VOSTREL_WORK/runtime
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix # where XWayland puts its socket
weston_pid=
trap '[ -z "$weston_pid" ] || kill "$weston_pid" 2>/dev/null || true' EXIT

start_weston() {
    export WAYLAND_DISPLAY=vostrel-$1
    weston --backend=headless-backend.so --width=1024 --height=768 --socket="$WAYLAND_DISPLAY" \
        "${@:2}" --log="$VOSTREL_WORK/weston-$1.log" >/dev/null 2>&1 &
    weston_pid=$!
    wait_for 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"
}
stop_weston() {
    kill "$weston_pid"
    wait "$weston_pid" 2>/dev/null || true
    weston_pid=
}
run_and_end() {
    wait_for 20 lanes_at_least 2 3 || fail "$1: no launches"
    kill -0 "$APP_PID" || fail "$1: the program ended by itself"
    kill -TERM "$APP_PID"
    wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "$1: SIGTERM did not end the program"
    wait_for 10 nothing_left || fail "$1: processes left behind"
    ! grep -q "Aborted\|Segmentation\|Could not load the Qt platform" "$VOSTREL_WORK/program.log" ||
        fail "$1: unclean run: $(cat "$VOSTREL_WORK/program.log")"
}

for s in $(seq 1 60); do
    printf 'E: %d.500000 0001 0121 0001\nE: %d.500000 0000 0000 0000\n' "$s" "$s"
    printf 'E: %d.700000 0001 0121 0000\nE: %d.700000 0000 0000 0000\n' "$s" "$s"
done >"$VOSTREL_WORK/presses.evemu"
prepare_program 1

# With XWayland: an X11 window, placed where the program put it.
start_weston xwayland --xwayland
wait_for 20 grep -q 'xserver listening on display' "$VOSTREL_WORK/weston-xwayland.log" ||
    fail "weston started no XWayland"
export DISPLAY=$(grep -o 'listening on display :[0-9]*' "$VOSTREL_WORK/weston-xwayland.log" |
    tail -n1 | awk '{print $4}')
start_program "$VOSTREL_WORK/presses.evemu"
wait_for 20 window_of Vostrel || fail "no X11 window called Vostrel: $(cat "$VOSTREL_WORK/program.log")"
win=$(window_of Vostrel)
wait_for 10 client_size_is "$win" 517 89 || fail "client area is not 517x89"
placed() {
    read -r x y < <(client_origin "$win")
    [ "$x" -ge 200 ] && [ "$x" -le 216 ] && [ "$y" -ge 108 ] && [ "$y" -le 150 ]
}
wait_for 10 placed ||
    fail "the window is not where the program placed it (200,108 with its frame): $(client_origin "$win")"
echo "X11 window's client area at $(client_origin "$win")"
run_and_end "XWayland"
stop_weston

# Without an X server: a native Wayland client.
unset DISPLAY
start_weston native
start_program "$VOSTREL_WORK/presses.evemu"
run_and_end "native Wayland"
stop_weston
echo "PASS"
