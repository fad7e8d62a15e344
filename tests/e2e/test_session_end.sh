#!/usr/bin/env bash
# Log-out and shut-down (SIGTERM, SIGHUP) and Ctrl+C (SIGINT) end the program
# through the normal exit steps: promptly, with nothing saved or left behind.
source "$(dirname "$0")/lib.sh"

prepare_program 3
cp "$VOSTREL_WORK/app/vostrel.ini" "$VOSTREL_WORK/settings.before"
printf 'E: 0.0 0000 0000 0000\n' >"$VOSTREL_WORK/quiet.evemu"
for signal in TERM HUP INT; do
    start_program "$VOSTREL_WORK/quiet.evemu"
    wait_for 20 window_of Vostrel || fail "no window before SIG$signal"
    kill -"$signal" "$APP_PID"
    wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "SIG$signal did not end the program"
    wait_for 10 no_program_processes ||
        fail "processes left behind after SIG$signal: $(pgrep -af "$VOSTREL_WORK/app/")"
    grep -q "Aborted\|Segmentation" "$VOSTREL_WORK/program.log" && fail "SIG$signal: unclean end"
done
cmp -s "$VOSTREL_WORK/settings.before" "$VOSTREL_WORK/app/vostrel.ini" ||
    fail "the settings file changed although nothing was saved"
echo "PASS"
