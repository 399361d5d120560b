#!/bin/bash
# Plays the game's sounds into a private sound server whose only output is
# a null sink, records that sink's monitor and checks what came out.
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
exit $status
