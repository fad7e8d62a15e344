#!/usr/bin/env bash
# Minimising puts the program into the notification area; a left or a middle
# double-click brings it back where it was; a restarted tray host gets the icon
# back while the program is there, and adds none in the normal state.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

prepare_program 1
start_idle_program
xdotool windowmove --sync "$win" 150 120 # somewhere of the user's choosing
place=$(client_geometry "$win")
no_tray_icon || fail "an icon in the normal state"

# The focus goes to Save Settings (after the number box, the path and "...")
# and must be there again after the tray, where the space bar then saves.
xdotool windowactivate --sync "$win" key Tab Tab Tab

minimise_to_tray
# The tip comes up over the icon (it says "Vostrel": see tip.png).
xdotool mousemove --window "$(tray_icon)" 10 10 sleep 0.2 mousemove_relative 1 1
wait_for 10 tip_shown || fail "no tip over the icon"
import -window root "$VOSTREL_WORK/tip.png"
double_click_icon 1
expect_restored "$place"
expect_focus_on_save

minimise_to_tray
double_click_icon 2
expect_restored "$place"

# The tray host goes and comes back while the program is in the tray.
minimise_to_tray
restart_tray_host
wait_for 10 tray_icon || fail "the icon did not come back with the tray host"
main_hidden || fail "the main window came back with the tray host"
double_click_icon 1
expect_restored "$place"

# In the normal state a new tray host gets no icon.
restart_tray_host
sleep 1
no_tray_icon || fail "an icon appeared in the normal state"
main_shown || fail "the main window went away"
close_program
echo "PASS"
