# Helpers for the tray tests. Sourced after lib.sh, inside session.sh.

# Starts the prepared program on a joystick that stays idle for the test's length.
start_idle_program() {
    printf 'E: 900.0 0001 0121 0000\nE: 900.0 0000 0000 0000\n' >"$VOSTREL_WORK/idle.evemu"
    start_program "$VOSTREL_WORK/idle.evemu"
    wait_for_main_window
}

# Starts the prepared program on a joystick whose button 2 goes down for 0.2 s
# every second.
start_pressing_program() {
    local s
    for s in $(seq 1 120); do
        printf 'E: %d.500000 0001 0121 0001\nE: %d.500000 0000 0000 0000\n' "$s" "$s"
        printf 'E: %d.700000 0001 0121 0000\nE: %d.700000 0000 0000 0000\n' "$s" "$s"
    done >"$VOSTREL_WORK/presses.evemu"
    start_program "$VOSTREL_WORK/presses.evemu"
    wait_for_main_window
}
# Whether lane 2 has been launched more than $1 times: ticks go on.
lane_2_beyond() { [ "$(lane_count 2)" -gt "$1" ]; }
expect_ticks() {
    wait_for 10 lane_2_beyond "$(lane_count 2)" || fail "no ticks $1"
}

# The program's windows mapped on screen, managed by the window manager or not.
program_windows() { xdotool search --onlyvisible --classname '^vostrel$' 2>/dev/null || true; }

window_type() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null || true; }

# The program's icon docked in the notification area: a small embedded window
# that the window manager does not manage.
tray_icon() {
    local w
    for w in $(program_windows); do
        in_client_list "$w" && continue
        window_type "$w" | grep -q TOOLTIP && continue
        [ "$(xwininfo -id "$w" | awk '/Width:/ {print $2}')" -le 64 ] || continue
        xprop -id "$w" _XEMBED_INFO 2>/dev/null | grep -q '=' && echo "$w" && return 0
    done
    return 1
}
no_tray_icon() { ! tray_icon >/dev/null; }

# Whether a tip of the program is on screen.
tip_shown() {
    local w
    for w in $(program_windows); do
        window_type "$w" | grep -q TOOLTIP && return 0
    done
    return 1
}

# The program's pop-up menus on screen: windows the window manager leaves
# alone that are neither the icon nor a tip.
tray_menus() {
    local w
    for w in $(program_windows); do
        xwininfo -id "$w" -all | grep -q 'Override Redirect State: yes' || continue
        window_type "$w" | grep -q TOOLTIP && continue
        [ "$(xwininfo -id "$w" | awk '/Width:/ {print $2}')" -gt 64 ] && echo "$w"
    done
    return 0
}
menus_open() { tray_menus | wc -l; }
one_menu_open() { [ "$(menus_open)" -eq 1 ]; }

# Client area of window $1: "X Y WIDTHxHEIGHT".
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w "x" h}'
}

# Predicates for wait_for, which runs them afresh at each try.
geometry_is() { [ "$(client_geometry "$1")" = "$2" ]; }
in_front() { [ "$(xdotool getactivewindow)" = "$1" ]; }

main_hidden() { ! in_client_list "$win" && ! xwininfo -id "$win" | grep -q IsViewable; }
main_shown() { in_client_list "$win" && xwininfo -id "$win" | grep -q IsViewable; }

# Minimises the main window as its minimise button does and waits for the tray.
minimise_to_tray() {
    xdotool windowminimize "$win"
    wait_for 10 main_hidden || fail "the main window is still on the taskbar"
    wait_for 10 tray_icon || fail "no icon in the notification area"
}

# Double-clicks the icon with button $1 (1 left, 2 middle, 3 right).
double_click_icon() {
    xdotool mousemove --window "$(tray_icon)" 10 10 click --repeat 2 --delay 80 "$1"
}

# Right-click on the icon; waits for the menu. A click within the double-click
# time of the one before (which opened the last menu) would make a double-click
# of the two, and restore the program instead.
open_tray_menu() {
    sleep 0.5
    xdotool mousemove --window "$(tray_icon)" 10 10 click 3
    wait_for 10 one_menu_open || fail "no tray menu"
}

expect_restored() {
    wait_for 10 main_shown || fail "the main window did not come back"
    wait_for 10 no_tray_icon || fail "the icon stayed after the restore"
    wait_for 10 geometry_is "$win" "$1" ||
        fail "the window came back at $(client_geometry "$win"), not $1"
    wait_for 10 in_front "$win" || fail "the window is not in front"
}

# Replaces the window manager (and with it the tray host); extra arguments go to
# the new one. Sets WM_PID.
restart_tray_host() {
    pkill -x -P "$PPID" icewm || true
    if [ -n "${WM_PID:-}" ]; then
        kill "$WM_PID" 2>/dev/null || true
        wait "$WM_PID" 2>/dev/null || true
    fi
    wait_for 10 bash -c "! pgrep -x -P $PPID icewm" || fail "the window manager did not go"
    # Window ids come round again; the property is what tells the new one is up.
    xprop -root -remove _NET_SUPPORTING_WM_CHECK
    icewm "$@" >>"$VOSTREL_WORK/icewm.log" 2>&1 &
    WM_PID=$!
    wait_for 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
        fail "the window manager did not come back"
}

# Closes the main window as its close box does and waits for the program to end.
close_program() {
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4 || true
    expect_ended
}

# Waits for the program to end, as it must after Exit.
expect_ended() {
    wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "the program is still running"
}

# A window manager started here goes with the test.
trap '[ -z "${WM_PID:-}" ] || kill "$WM_PID" 2>/dev/null || true' EXIT
