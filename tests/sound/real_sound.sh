#!/bin/bash
# Plays the game's sounds into a private sound server whose only output is
# a null sink, records that sink's monitor and checks what came out.
#   real_sound.sh DRIVER
# Exit 77 (skipped) when the sound server is not installed.
set -u
driver=$1

for tool in pulseaudio pacat parec pactl; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d /tmp/tavlo-sound.XXXXXX)
chmod 700 "$work"
pids=()
# Clients first, the server last, each waited for.
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        wait "${pids[i]}" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Everything the server and its clients keep lives in the private folder,
# so a desktop's own sound server is neither seen nor disturbed.
export XDG_RUNTIME_DIR=$work
export HOME=$work
export QT_QPA_PLATFORM=offscreen
unset PULSE_SERVER PULSE_SINK
# No client may start a server of its own while ours is coming up.
printf 'autospawn = no\n' >"$work/client.conf"
export PULSE_CLIENTCONFIG=$work/client.conf

sink=tavlo_test
pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
    -L "module-null-sink sink_name=$sink norewinds=1" \
    -L module-native-protocol-unix >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
done
if ! pactl info >/dev/null 2>&1; then
    echo "the sound server did not start:"
    cat "$work/server.log"
    exit 1
fi

# Without a stream keeping the sink busy the monitor loses the start of
# each recording.
pacat --playback --raw --format=s16le --rate=44100 --channels=2 -d "$sink" </dev/zero 2>"$work/keepalive.log" &
pids+=($!)

status=0
for mode in play muted; do
    parec -d "$sink.monitor" --raw --format=s16le --rate=44100 --channels=1 >"$work/$mode.raw" &
    recorder=$!
    pids+=($recorder)
    sleep 0.3
    if ! timeout 20 "$driver" "$mode"; then
        echo "driver failed in mode $mode"
        status=1
    fi
    sleep 0.4
    kill "$recorder"
    wait "$recorder" 2>/dev/null
    echo "== $mode"
    "$driver" analyse "$work/$mode.raw" "$mode" || status=1
done
exit $status
