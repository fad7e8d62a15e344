#!/usr/bin/env bash
# Smoke run of the real Windows program under Wine on Xvfb: the main window comes
# up with its size and the number 1, its lamps are white (Wine has no joystick, so
# every reading is an error that changes nothing), Save Settings writes the
# three-line file beside the exe, minimise puts its icon into the notification
# area, the icon's menu and a double-click on it bring the window back, and
# closing ends the program with exit code 0.
#   smoke.sh <vostrel.exe> <probe.exe> <folder for the screenshots>
# Uses its own Wine prefix with the X11 driver (build/wine-prefix-x11), made on
# first use, and stops that prefix's wineserver when done.
set -euo pipefail
exe=$(realpath "$1")
probe=$(realpath "$2")
shots=$(realpath "$3")
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${VOSTREL_SMOKE_PREFIX:-$root/build/wine-prefix-x11}
export VOSTREL_WINE_GRAPHICS=x11 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINELOADER=/usr/lib/wine/wine64
wine=/usr/lib/wine/wine64

work=$(mktemp -d)
xvfb=
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    "$root/cmake/wine-prefix" stop
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "smoke: $*" >&2
    exit 1
}
# Polls `$@` every 0.1 s for up to 20 s.
poll() {
    for _ in $(seq 200); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
poll test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
# The prefix's helpers must talk to this display, not one of an earlier run.
"$root/cmake/wine-prefix" stop
"$root/cmake/wine-prefix" ensure

mkdir "$work/app"
cp "$exe" "$work/app/vostrel.exe"
(cd "$work/app" && exec "$wine" vostrel.exe) &
app=$!

shown=$("$wine" "$probe" show | tr -d '\r') || fail "the main window did not appear"
echo "$shown"
grep -qx "client 517 89" <<<"$shown" || fail "wrong client size"
grep -qx "number 1" <<<"$shown" || fail "the number box does not show 1"
read -r _ x y < <(grep '^origin' <<<"$shown")
import -window root "$shots/smoke-main.png"
# Lamp 1 lies at 8,8 to 41,41 in the client area: white inside its bevel.
pixel=$(convert "$shots/smoke-main.png" -format "%[pixel:p{$((x + 14)),$((y + 14))}]" info:)
[[ $pixel == "white" || $pixel == "srgb(255,255,255)" ]] || fail "lamp 1 is $pixel, not white"

# A real click on Save Settings (432,8 75x25 in the client area).
xdotool mousemove $((x + 469)) $((y + 20)) click 1
poll test -f "$work/app/vostrel.ini" || fail "Save Settings wrote no file"
expected=$'[Settings]\r\nPathToTrigger=C:\\Program Files\\Brask\\Tarnwick\\pellago.exe\r\nNumberOfJoy=1\r'
[ "$(cat "$work/app/vostrel.ini")" = "$expected" ] || fail "unexpected settings file: $(od -c "$work/app/vostrel.ini")"

"$wine" "$probe" minimize || fail "minimise did not hide the window"
# With no tray on the display, Wine shows the icon in a window of its own.
read -r _ ix iy < <("$wine" "$probe" tray | tr -d '\r') || fail "no icon in the notification area"
import -window root "$shots/smoke-minimized.png"

# A right click opens the menu at the cursor; a click on Restore brings the window
# back. The keyboard cannot be used here: X keeps the focus on Wine's tray window.
xdotool mousemove "$ix" "$iy" click 3
read -r _ left top _ bottom < <("$wine" "$probe" menu | tr -d '\r') || fail "no menu"
[ "$left $top" = "$ix $iy" ] || fail "the menu opened at $left,$top, not at the cursor $ix,$iy"
import -window root "$shots/smoke-menu.png"
# Restore is the third of the four rows: three of one height and the separator's
# 9 pixels, so its middle lies a little over half-way down, whatever the font.
xdotool mousemove $((left + 30)) $((top + (bottom - top) * 9 / 16)) click 1
"$wine" "$probe" restored || fail "Restore did not bring the window back"
"$wine" "$probe" notray || fail "the icon stayed after Restore"

# Into the tray again, and back with a double-click on the icon.
"$wine" "$probe" minimize || fail "the second minimise did not hide the window"
read -r _ ix iy < <("$wine" "$probe" tray | tr -d '\r') || fail "no icon the second time"
xdotool mousemove "$ix" "$iy" click --repeat 2 --delay 80 1
"$wine" "$probe" restored || fail "a double-click on the icon did not bring the window back"
"$wine" "$probe" notray || fail "the icon stayed after the double-click"
"$wine" "$probe" close
code=0
wait "$app" || code=$?
app=
[ "$code" -eq 0 ] || fail "the program ended with $code"
echo "smoke: passed"
