#!/bin/bash
# Plays the game's sounds into a private sound server whose only output is
# a null sink, records that sink's monitor and checks what came out. Then
# the server goes away and comes back while clicks are asked for: they are
# heard again, and the sounds leave no thread behind.
#   real_sound.sh DRIVER
# Exit 77 (skipped) when the sound server is not installed.
set -u
driver=$1
. "$(dirname "$0")/pulse.sh"

pulse_require || exit 77
trap pulse_stop EXIT
trap 'exit 1' INT TERM
pulse_start || exit 1
export QT_QPA_PLATFORM=offscreen

status=0
for mode in play muted; do
    pulse_record "$PULSE_WORK/$mode.raw"
    if ! timeout 20 "$driver" "$mode"; then
        echo "driver failed in mode $mode"
        status=1
    fi
    sleep 0.4
    pulse_stop_record
    echo "== $mode"
    "$driver" analyse "$PULSE_WORK/$mode.raw" "$mode" || status=1
done

echo "== restart"
"$driver" restart &
driver_pid=$!
trap '[ -n "$driver_pid" ] && kill "$driver_pid" 2>/dev/null; pulse_stop' EXIT
sleep 1
pulse_server_down
sleep 1
pulse_server_up || status=1
# A refused server is asked again at most once a second.
sleep 1.2
pulse_record "$PULSE_WORK/restart.raw"
sleep 1
pulse_stop_record
kill -USR1 $driver_pid
if ! wait $driver_pid; then
    echo "driver failed in mode restart"
    status=1
fi
driver_pid=
"$driver" analyse "$PULSE_WORK/restart.raw" heard || status=1
exit $status
