#!/usr/bin/env bash
# A notification area that goes away for good while the program is in it
# brings the window back (nothing else would lead there); a tray host that
# comes later is used by the next minimise.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

prepare_program 1
start_idle_program
place=$(client_geometry "$win")
minimise_to_tray

# The window manager stays, its tray goes.
printf 'TaskBarEnableSystemTray=0\n' >"$VOSTREL_WORK/no-tray.preferences"
restart_tray_host -c "$VOSTREL_WORK/no-tray.preferences"
wait_for 20 main_shown || fail "the window stayed hidden with no tray to come back from"
wait_for 10 geometry_is "$win" "$place" ||
    fail "the window came back at $(client_geometry "$win"), not $place"
import -window root "$VOSTREL_WORK/back.png"

restart_tray_host
wait_for 10 main_shown || fail "the window went with the new tray host"
minimise_to_tray
double_click_icon 1
expect_restored "$place"
close_program
echo "PASS"
