#!/usr/bin/env bash
# The real program: its window, a held button's lamp and launches, and the close box.
source "$(dirname "$0")/lib.sh"

prepare_program 1
cp "$VOSTREL_WORK/app/vostrel.ini" "$VOSTREL_WORK/settings.before"
# Replay times count from the first event, so a lone report marks the start.
# Button 3 goes down 5 s after start and stays down for 2 s; button 1 gets a 2 ms pulse.
cat >"$VOSTREL_WORK/race.evemu" <<'EVENTS'
E: 0.0 0000 0000 0000
E: 5.0 0001 0122 0001
E: 5.0 0000 0000 0000
E: 7.0 0001 0122 0000
E: 7.0 0000 0000 0000
E: 8.0 0001 0120 0001
E: 8.0 0000 0000 0000
E: 8.2000 0001 0120 0000
E: 8.2000 0000 0000 0000
EVENTS
start_program "$VOSTREL_WORK/race.evemu"

wait_for_main_window
wait_for 10 client_size_is "$win" 517 89 || fail "client area is not 517x89: $(xwininfo -id "$win")"
read -r x y < <(client_origin "$win")
echo "window client area at $x,$y"

# Before the first press every lamp is white (unless a slow start let the
# press come first: then there is nothing to see here).
lamp=$(pixel_at $((x + 104)) $((y + 12)))
if [ ! -s "$VOSTREL_WORK/lanes.log" ]; then
    [ "$lamp" = "srgb(255,255,255)" ] || fail "lamp 3 is $lamp at start"
fi

# While button 3 is held its lamp is red and the trigger starts again and again.
wait_for 20 lanes_at_least 3 1 || fail "no launch for lane 3"
lamp=$(pixel_at $((x + 104)) $((y + 12)))
[ "$lamp" = "srgb(255,0,0)" ] || fail "lamp 3 is $lamp while held"
[ "$(pixel_at $((x + 64)) $((y + 12)))" = "srgb(255,255,255)" ] || fail "lamp 2 is not white"
wait_for 20 lanes_at_least 3 20 || fail "a held button launched only $(lane_count 3) times"

# A pulse shorter than one tick still launches lane 1, and only once.
wait_for 20 lanes_at_least 1 1 || fail "the 2 ms pulse on button 1 was lost"
sleep 0.5
[ "$(lane_count 1)" -eq 1 ] || fail "the pulse launched $(lane_count 1) times"
grep -qv '^1:[1-8]$' "$VOSTREL_WORK/lanes.log" && fail "a launch had other arguments"
[ "$(pixel_at $((x + 104)) $((y + 12)))" = "srgb(255,255,255)" ] || fail "lamp 3 stayed red"

# The close box ends the program promptly and leaves nothing behind.
xdotool windowactivate --sync "$win" key --clearmodifiers alt+F4 || true
wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "the program is still running"
# umockdev-run, its parent, ends a moment after it.
wait_for 10 no_program_processes || fail "processes left behind: $(pgrep -af "$VOSTREL_WORK/app/")"
cmp -s "$VOSTREL_WORK/settings.before" "$VOSTREL_WORK/app/vostrel.ini" ||
    fail "the settings file changed although nothing was saved"
echo "PASS"
