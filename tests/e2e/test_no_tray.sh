#!/usr/bin/env bash
# Where no notification area exists, minimising is an ordinary minimise: the
# window stays on the taskbar and comes back from there, as often as wanted.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

printf 'TaskBarEnableSystemTray=0\n' >"$VOSTREL_WORK/no-tray.preferences"
restart_tray_host -c "$VOSTREL_WORK/no-tray.preferences"
prepare_program 1
start_idle_program
place=$(client_geometry "$win")

iconic() { xprop -id "$win" WM_STATE | grep -q Iconic; }
for round in 1 2; do
    xdotool windowminimize "$win"
    wait_for 10 iconic || fail "round $round: the window did not minimise"
    sleep 0.5 # time enough to have gone wrong
    in_client_list "$win" || fail "round $round: the window left the taskbar with no tray to go to"
    no_tray_icon || fail "round $round: an icon with no notification area"
    xdotool windowactivate "$win" # as its taskbar entry does
    expect_restored "$place"
done
close_program
echo "PASS"
