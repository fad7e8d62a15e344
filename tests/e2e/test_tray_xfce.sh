#!/usr/bin/env bash
# The tray cycle under a real StatusNotifierItem host: the status tray of
# xfce4-panel, which is also the session's StatusNotifierWatcher. The icon
# goes there, over D-Bus; clicks on it in the panel restore the window and
# open the menu. A panel that goes away for good brings the window back.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

printf 'TaskBarEnableSystemTray=0\n' >"$VOSTREL_WORK/no-tray.preferences"
restart_tray_host -c "$VOSTREL_WORK/no-tray.preferences"
bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames | grep -q "\"$1\""
}
# One panel along the top, holding nothing but the status tray.
export XDG_CONFIG_HOME=$VOSTREL_WORK/panel-config
mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
cat >"$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
# The panel's settings service, started here rather than by the bus, so that it
# reads the configuration above.
xfconfd=$(ls /usr/lib/*/xfce4/xfconf/xfconfd | head -n1)
"$xfconfd" >>"$VOSTREL_WORK/panel.log" 2>&1 &
settings=$!
wait_for 10 bus_has org.xfce.Xfconf || fail "the panel's settings service did not start"
start_panel() {
    xfce4-panel >>"$VOSTREL_WORK/panel.log" 2>&1 &
    panel=$!
    wait_for 20 bus_has org.kde.StatusNotifierWatcher || fail "the panel's status tray did not start"
}
start_panel
trap 'kill $panel $settings 2>/dev/null; [ -z "${WM_PID:-}" ] || kill "$WM_PID" 2>/dev/null || true' EXIT
listed() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems | grep -q '"'
}

unset XDG_CONFIG_HOME # the panel's alone

prepare_program 1
start_idle_program
place=$(client_geometry "$win")
xdotool windowminimize "$win"
wait_for 10 main_hidden || fail "the main window is still on the taskbar"
wait_for 10 listed || fail "the icon is not listed by the panel's watcher"
no_tray_icon || fail "the icon went into an XEmbed tray as well"
sleep 6 # past the time a docking may take: the host has it, it is not lost
main_hidden || fail "the window came back although the panel shows the icon"
import -window root "$VOSTREL_WORK/panel.png"

# The icon is the panel's first item, at its left end: a click waits until the
# panel shows it there (its red dot), else it would open the panel's own menu.
icon_drawn() { pixel_at 12 15 | grep -q '^srgb(2[0-9][0-9],[0-9]\?[0-9],'; }
click_icon() {
    wait_for 10 icon_drawn || fail "the panel does not show the icon"
    xdotool mousemove 12 15 click "$1"
}
click_icon 1
expect_restored "$place"

# A right click opens the menu that the panel draws from our items; its
# access keys work as in ours.
xdotool windowminimize "$win"
wait_for 10 main_hidden || fail "the main window is still on the taskbar"
# The panel's menus: its plugins run in processes of their own.
host_menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --class '^(xfce4-panel|wrapper-2.0)$' 2>/dev/null); do
        xwininfo -id "$w" -all | grep -q 'Override Redirect State: yes' &&
            [ "$(xwininfo -id "$w" | awk '/Height:/ {print $2}')" -gt 40 ] && return 0
    done
    return 1
}
click_icon 3
wait_for 10 host_menu_open || fail "a right click on the icon opened no menu"
import -window root "$VOSTREL_WORK/panel-menu.png"
xdotool key r
expect_restored "$place"

xdotool windowminimize "$win"
wait_for 10 main_hidden || fail "the main window is still on the taskbar"
# The panel goes away for good: the window comes back.
kill "$panel"
wait_for 20 main_shown || fail "the window stayed hidden with no panel to come back from"
close_program
echo "PASS"
