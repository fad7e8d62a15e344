#!/usr/bin/env bash
# The trigger program chooser: a name typed into the dialog is taken, the next
# press launches the new program in its own folder; Cancel changes nothing and
# nothing is saved, neither in the settings file nor anywhere in the home folder.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

prepare_program 1
cp "$VOSTREL_WORK/app/vostrel.ini" "$VOSTREL_WORK/settings.before"
mkdir -p "$VOSTREL_WORK/new folder"
cat >"$VOSTREL_WORK/new folder/other-trigger" <<SCRIPT
#!/bin/sh
echo "\$1 \$(pwd)" >>"$VOSTREL_WORK/other.log"
SCRIPT
chmod +x "$VOSTREL_WORK/new folder/other-trigger"
: >"$VOSTREL_WORK/other.log"
PROGRAM_HOME=$VOSTREL_WORK/home
mkdir "$PROGRAM_HOME"
start_pressing_program
wait_for 20 grep -q '^1:2$' "$VOSTREL_WORK/lanes.log" || fail "no launch of the first trigger program"

other_launches() { grep -c "^2 $VOSTREL_WORK/new folder\$" "$VOSTREL_WORK/other.log" || true; }
# At least $1 launches of the chosen program (counted afresh at each try).
launched_other() { [ "$(other_launches)" -ge "$1" ]; }
dialog_gone() { [ -z "$(window_of pellago.exe)" ]; }
click_chooser() {
    read -r x y _ < <(client_geometry "$win")
    xdotool mousemove $((x + 494)) $((y + 68)) click 1
    wait_for 10 window_of pellago.exe || fail "no dialog called pellago.exe"
}

# The dialog opens where the program was started; the name is typed relative to it.
click_chooser
import -window root "$VOSTREL_WORK/chooser.png"
xdotool type --delay 30 "new folder/other-trigger"
xdotool key Return
wait_for 10 dialog_gone || fail "the dialog did not take the typed name"
wait_for 10 launched_other 1 || fail "the chosen program was not launched"
old=$(lane_count 2)
wait_for 10 launched_other $(($(other_launches) + 1)) ||
    fail "the chosen program stopped being launched"
[ "$(lane_count 2)" -eq "$old" ] || fail "the old program was launched after the choice"

# Cancel, even with another name typed, keeps the choice.
click_chooser
import -window root "$VOSTREL_WORK/chooser-again.png" # the name box holds the full path
xdotool key ctrl+a
xdotool type --delay 30 "elsewhere"
for _ in 1 2 3; do
    dialog_gone && break
    xdotool key Escape
    sleep 0.3
done
wait_for 10 dialog_gone || fail "Cancel did not close the dialog"
wait_for 10 launched_other $(($(other_launches) + 1)) || fail "Cancel changed the trigger program"
[ "$(lane_count 2)" -eq "$old" ] || fail "Cancel brought the old program back"

close_program
cmp -s "$VOSTREL_WORK/settings.before" "$VOSTREL_WORK/app/vostrel.ini" ||
    fail "the choice was saved without Save Settings"
left=$(find "$PROGRAM_HOME" -mindepth 1)
[ -z "$left" ] || fail "the program left files in its home: $left"
echo "PASS"
