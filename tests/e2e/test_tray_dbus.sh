#!/usr/bin/env bash
# Where a StatusNotifierItem host is on the session bus (KDE, GNOME with the
# AppIndicator extension) the icon goes there rather than into the XEmbed tray.
# There is no double-click: the host's Activate restores the window, and its
# ContextMenu opens the tray menu.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames | grep -q "\"$1\""
}
item_gone() { ! bus_has "$item"; }
registered_twice() { [ "$(wc -l <"$VOSTREL_WORK/items.log")" -eq 2 ]; }
call_item() {
    dbus-send --session --type=method_call --dest="$item" /StatusNotifierItem \
        "org.kde.StatusNotifierItem.$1" int32:400 int32:300
}
: >"$VOSTREL_WORK/items.log"
"$VOSTREL_SNI_WATCHER" "$VOSTREL_WORK/items.log" &
watcher=$!
trap 'kill $watcher 2>/dev/null; [ -z "${WM_PID:-}" ] || kill "$WM_PID" 2>/dev/null || true' EXIT
wait_for 10 bus_has org.kde.StatusNotifierWatcher || fail "the watcher did not start"

prepare_program 1
start_idle_program
place=$(client_geometry "$win")
[ ! -s "$VOSTREL_WORK/items.log" ] || fail "an icon in the normal state"

xdotool windowminimize "$win"
wait_for 10 main_hidden || fail "the main window is still on the taskbar"
wait_for 10 test -s "$VOSTREL_WORK/items.log" || fail "no icon registered with the host"
item=$(tail -n1 "$VOSTREL_WORK/items.log")
bus_has "$item" || fail "the icon's service $item is not on the bus"
no_tray_icon || fail "the icon went into the XEmbed tray as well"
call_item Activate
expect_restored "$place"
wait_for 10 item_gone || fail "the icon stayed with the host after the restore"

xdotool windowminimize "$win"
wait_for 10 main_hidden || fail "the main window is still on the taskbar"
wait_for 10 registered_twice ||
    fail "the icon did not come back to the host"
item=$(tail -n1 "$VOSTREL_WORK/items.log")
# The item may answer its bus name a moment before its methods: ask again until
# the menu opens (a request while it is open never opens a second one).
opened=
for _ in $(seq 10); do
    call_item ContextMenu 2>/dev/null || true
    if wait_for 2 one_menu_open; then
        opened=1
        break
    fi
done
[ -n "$opened" ] || fail "ContextMenu opened no menu"
xdotool key x
expect_ended
echo "PASS"
