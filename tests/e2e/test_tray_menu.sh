#!/usr/bin/env bash
# The tray menu: its items at the cursor, never two at once, and Restore, About
# and Exit from it; the About box from the tray, its placement and its keys.
# Ticks go on all along: in the tray, in the menu and in the About box.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/tray_lib.sh"

prepare_program 1
start_pressing_program
place=$(client_geometry "$win")

minimise_to_tray
expect_ticks "in the tray"
open_tray_menu
expect_ticks "while the menu is open"
# "A&bout", a line, "&Restore", "E&xit", access keys underlined: see menu.png.
import -window root "$VOSTREL_WORK/menu.png"
read -r mx my < <(xdotool getmouselocation | sed 's/x:\([0-9]*\) y:\([0-9]*\).*/\1 \2/')
menu=$(tray_menus)
read -r x y size < <(client_geometry "$menu")
h=${size#*x}
# At the cursor: its left edge there, and above it, as the taskbar is below.
[ "$x" -eq "$mx" ] && [ $((y + h)) -le "$my" ] && [ $((y + h)) -ge $((my - 30)) ] ||
    fail "the menu at $x,$y ($size) is not at the cursor $mx,$my"
[ "$h" -gt 60 ] || fail "the menu is too low for three items and a line: $size"

# A right click on the icon while the menu is up never gives two menus.
click_icon 3
for _ in $(seq 20); do
    [ "$(menus_open)" -le 1 ] || fail "a second menu on top of the first"
    sleep 0.05
done
[ "$(menus_open)" -eq 1 ] || open_tray_menu
xdotool key r # Restore
expect_restored "$place"

# About from the tray: the box alone, centred, with no taskbar entry of its own.
minimise_to_tray
open_tray_menu
xdotool key b
wait_for 10 window_of About || fail "no About box"
about=$(window_of About)
main_hidden || fail "the main window came back with the About box"
tray_icon >/dev/null || fail "the icon went with the About box"
xprop -id "$about" _NET_WM_STATE | grep -q SKIP_TASKBAR || fail "the About box is on the taskbar"
read -r ax ay size < <(client_geometry "$about")
[ "$size" = 298x175 ] || fail "the About box's client area is $size"
read -r left right top bottom < <(xprop -id "$about" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
fx=$((ax - left)) fy=$((ay - top)) fw=$((298 + left + right)) fh=$((175 + top + bottom))
[ $((fx - (1024 - fw) / 2)) -ge -1 ] && [ $((fx - (1024 - fw) / 2)) -le 1 ] &&
    [ $((fy - (768 - fh) / 2)) -ge -1 ] && [ $((fy - (768 - fh) / 2)) -le 1 ] ||
    fail "the About box's frame at $fx,$fy ${fw}x$fh is not centred"
import -window root "$VOSTREL_WORK/about.png"
expect_ticks "while the About box is open"

xdotool windowactivate --sync "$about" key Escape # no cancel button: nothing happens
sleep 0.5
[ "$(window_of About)" = "$about" ] || fail "Escape closed the About box"
xdotool key Return
wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^About\$')\" ]" ||
    fail "Enter did not close the About box"
main_hidden || fail "the main window came back after About"
tray_icon >/dev/null || fail "the program left the tray after About"

# Shown again where the user left it; the close box closes it.
open_tray_menu
xdotool key b
wait_for 10 window_of About || fail "no About box the second time"
about=$(window_of About)
[ "$(client_geometry "$about")" = "$ax $ay $size" ] || fail "the About box moved by itself"
xdotool windowmove --sync "$about" 60 50
left_at=$(client_geometry "$about")
xdotool windowactivate --sync "$about" key alt+F4
wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^About\$')\" ]" ||
    fail "the close box did not close the About box"
kill -0 "$APP_PID" || fail "closing the About box ended the program"
open_tray_menu
xdotool key b
wait_for 10 window_of About || fail "no About box the third time"
[ "$(client_geometry "$(window_of About)")" = "$left_at" ] ||
    fail "the About box is not where it was left: $(client_geometry "$(window_of About)")"
xdotool key Return
wait_for 10 bash -c "[ -z \"\$(xdotool search --onlyvisible --name '^About\$')\" ]" ||
    fail "the About box stayed"

# Exit from the tray ends the program, and the icon goes with it.
open_tray_menu
xdotool key x
expect_ended
no_tray_icon || fail "the icon outlived the program"
echo "PASS"
