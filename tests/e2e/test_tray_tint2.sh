#!/usr/bin/env bash
# The tray cycle under a second XEmbed host: tint2's system tray, with the
# window manager's own tray switched off.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

printf 'TaskBarEnableSystemTray=0\n' >"$VOSTREL_WORK/no-tray.preferences"
restart_tray_host -c "$VOSTREL_WORK/no-tray.preferences"
sed -e 's/^panel_items = .*/panel_items = S/' -e 's/^panel_position = .*/panel_position = top center horizontal/' \
    /etc/xdg/tint2/tint2rc >"$VOSTREL_WORK/tint2rc"
tint2 -c "$VOSTREL_WORK/tint2rc" >"$VOSTREL_WORK/tint2.log" 2>&1 &
tint2=$!
trap 'kill $tint2 2>/dev/null; [ -z "${WM_PID:-}" ] || kill "$WM_PID" 2>/dev/null || true' EXIT
wait_for 10 tray_host_up '"tint2"' || fail "tint2 did not start"

prepare_program 1
start_pressing_program
xdotool windowmove --sync "$win" 150 120
place=$(client_geometry "$win")
xdotool windowactivate --sync "$win" key Tab Tab Tab # focus on Save Settings

for attempt in 1 2 3; do # the tray may still be setting itself up
    xdotool windowminimize "$win"
    wait_for 10 main_hidden && break
    xdotool windowactivate "$win"
    sleep 1
done
wait_for 10 tray_icon || fail "no icon in tint2's tray"
expect_ticks "in the tray"
xdotool mousemove --window "$(tray_icon)" 10 10 sleep 0.2 mousemove_relative 1 1
wait_for 10 tip_shown || fail "no tip over the icon"
import -window root "$VOSTREL_WORK/tip.png"
double_click_icon 2
expect_restored "$place"
expect_focus_on_save

minimise_to_tray
open_tray_menu
import -window root "$VOSTREL_WORK/menu.png"
[ "$(client_geometry "$(tray_menus)" | sed 's/.*x//')" -gt 60 ] || fail "the menu is too low"
xdotool key r
expect_restored "$place"

minimise_to_tray
open_tray_menu
xdotool key b
wait_for 10 window_of About || fail "no About box"
main_hidden || fail "the main window came back with the About box"
xdotool key Return
wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^About\$')\" ]" ||
    fail "Enter did not close the About box"
tray_icon >/dev/null || fail "the program left the tray after About"
open_tray_menu
xdotool key x
expect_ended
no_tray_icon || fail "the icon outlived the program"
echo "PASS"
