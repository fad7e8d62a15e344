#!/usr/bin/env bash
# Runs one end-to-end test script in a private X display with a window manager
# (icewm gives a taskbar and a system tray) and a private session bus.
set -euo pipefail
script=$1
if [ -z "${VOSTREL_IN_SESSION:-}" ]; then
    export VOSTREL_IN_SESSION=1
    exec dbus-run-session -- "$0" "$@"
fi
rm -rf "$VOSTREL_WORK" && mkdir -p "$VOSTREL_WORK"
# A display number whose lock file is free may still have its socket taken by
# another server on this machine: then nobody can connect, or the connection
# reaches that other server (which has a window manager already, or lives on
# after ours has given up). Such a server keeps its number locked while the next
# one is tried.
unusable=()
xvfb=
wm=
cleanup() {
    local status=$?
    if [ "$status" -ne 0 ]; then
        # What a failed run needs to be understood from its log alone.
        [ -z "$wm" ] || kill -0 "$wm" 2>/dev/null ||
            echo "the session's window manager had gone (the tray tests replace it)" >&2
        echo "--- icewm.log" >&2
        tail -n20 "$VOSTREL_WORK/icewm.log" >&2 2>/dev/null || true
        echo "--- program.log" >&2
        tail -n20 "$VOSTREL_WORK/program.log" >&2 2>/dev/null || true
    fi
    pkill -P $$ -f "$VOSTREL_EXE" 2>/dev/null || true
    kill $wm $xvfb "${unusable[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
for attempt in 1 2 3 4 5; do
    exec 3>"$VOSTREL_WORK/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >>"$VOSTREL_WORK/xvfb.log" 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 100); do
        [ -s "$VOSTREL_WORK/display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$VOSTREL_WORK/display")"
    if kill -0 "$xvfb" 2>/dev/null && xprop -root >/dev/null 2>&1 &&
        ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        break
    fi
    unusable+=("$xvfb")
    [ "$attempt" -lt 5 ] || { echo "no X display to run on" >&2; exit 1; }
done
[ ${#unusable[@]} -eq 0 ] || kill "${unusable[@]}" 2>/dev/null || true
wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW
}
# The window manager is ready once it owns the root's window-manager selection
# and says what it supports. One that dies on the way is started again: the
# tests are about the program, not about a window manager's bad start.
for attempt in 1 2 3; do
    icewm >>"$VOSTREL_WORK/icewm.log" 2>&1 &
    wm=$!
    for _ in $(seq 200); do
        wm_ready && break
        kill -0 "$wm" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$wm" 2>/dev/null && wm_ready && break
    echo "window manager start $attempt failed:" >&2
    tail -n5 "$VOSTREL_WORK/icewm.log" >&2
    kill "$wm" 2>/dev/null || true
    wait "$wm" 2>/dev/null || true
    [ "$attempt" -lt 3 ] || { echo "no window manager on $DISPLAY" >&2; exit 1; }
done
export QT_QPA_PLATFORM=xcb
bash "$script"
