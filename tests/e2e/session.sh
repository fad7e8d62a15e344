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
# another server on this machine, and then nobody can connect. Such a server
# keeps its number locked while the next one is tried.
unusable=()
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
    xprop -root >/dev/null 2>&1 && break
    unusable+=("$xvfb")
    [ "$attempt" -lt 5 ] || { echo "no X display to run on" >&2; exit 1; }
done
[ ${#unusable[@]} -eq 0 ] || kill "${unusable[@]}" 2>/dev/null || true
icewm >"$VOSTREL_WORK/icewm.log" 2>&1 &
wm=$!
cleanup() {
    pkill -P $$ -f "$VOSTREL_EXE" 2>/dev/null || true
    kill "$wm" "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
# The window manager is ready once it owns the root's window-manager selection.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
export QT_QPA_PLATFORM=xcb
bash "$script"
