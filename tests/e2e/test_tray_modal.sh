#!/usr/bin/env bash
# Minimised behind an open dialog, the program goes into the notification area
# as usual; its icon still answers, and restoring brings back the main window
# together with the dialog, which is still open and in front.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

prepare_program 1
start_idle_program
place=$(client_geometry "$win")

read -r x y _ < <(client_geometry "$win")
xdotool mousemove $((x + 494)) $((y + 68)) click 1
wait_for 10 window_of pellago.exe || fail "no dialog called pellago.exe"
dialog=$(window_of pellago.exe)
viewable() { xwininfo -id "$1" | grep -q IsViewable; }

minimise_to_tray
wait_for 10 bash -c "! xwininfo -id $dialog | grep -q IsViewable" ||
    fail "the dialog stayed on screen without its window"
double_click_icon 1
wait_for 10 main_shown || fail "the icon did not answer while the dialog was open"
wait_for 10 no_tray_icon || fail "the icon stayed after the restore"
geometry_is "$win" "$place" || fail "the window came back at $(client_geometry "$win"), not $place"
wait_for 10 viewable "$dialog" || fail "the dialog did not come back with the window"
wait_for 10 in_front "$dialog" || fail "the dialog is not in front"
import -window root "$VOSTREL_WORK/restored.png"

xdotool key Escape
wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^pellago.exe\$')\" ]" ||
    fail "the dialog did not close"
close_program
echo "PASS"
