# A private sound server whose only output is a null sink, and recordings of
# that sink's monitor. Sourced by the scripts that check real sound.
#   pulse_require || exit 77      skips when the server is not installed
#   pulse_start                   starts it; exports what its clients need
#   pulse_record FILE / pulse_stop_record
#   pulse_stop                    recorder, keep-alive, server, folder
#   pulse_server_down / pulse_server_up
#                                 stops the server (clients see it vanish)
#                                 and starts it again in the same place
# Recordings are raw signed 16-bit little-endian mono at 44.1 kHz.

PULSE_SINK_NAME=tavlo_test
PULSE_WORK=
PULSE_PIDS=()
PULSE_RECORDER=

pulse_require() {
    local tool
    for tool in pulseaudio pacat parec pactl; do
        if ! command -v "$tool" >/dev/null; then
            echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)"
            return 1
        fi
    done
}

pulse_start() {
    PULSE_WORK=$(mktemp -d /tmp/tavlo-sound.XXXXXX)
    chmod 700 "$PULSE_WORK"
    # Everything the server and its clients keep lives in the private
    # folder, so a desktop's own sound server is neither seen nor disturbed.
    export XDG_RUNTIME_DIR=$PULSE_WORK
    export HOME=$PULSE_WORK
    unset PULSE_SERVER PULSE_SINK
    # No client may start a server of its own while ours is coming up.
    printf 'autospawn = no\n' >"$PULSE_WORK/client.conf"
    export PULSE_CLIENTCONFIG=$PULSE_WORK/client.conf

    pulse_server_up
}

pulse_server_up() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --system=false -n \
        -L "module-null-sink sink_name=$PULSE_SINK_NAME norewinds=1" \
        -L module-native-protocol-unix >>"$PULSE_WORK/server.log" 2>&1 &
    PULSE_PIDS+=($!)
    local _
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.05
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "the sound server did not start:"
        cat "$PULSE_WORK/server.log"
        return 1
    fi
    # Without a stream keeping the sink busy the monitor loses the start of
    # each recording.
    pacat --playback --raw --format=s16le --rate=44100 --channels=2 -d "$PULSE_SINK_NAME" \
        </dev/zero 2>"$PULSE_WORK/keepalive.log" &
    PULSE_PIDS+=($!)
}

# The server goes at once, as when it crashes: its clients lose it mid-stream.
pulse_server_down() {
    pulse_stop_record
    local i
    for ((i = ${#PULSE_PIDS[@]} - 1; i >= 0; i--)); do
        kill -9 "${PULSE_PIDS[i]}" 2>/dev/null
        wait "${PULSE_PIDS[i]}" 2>/dev/null
    done
    PULSE_PIDS=()
    # A server killed outright leaves its socket and pid file behind.
    rm -rf "$PULSE_WORK/pulse"
}

pulse_record() { # pulse_record FILE
    parec -d "$PULSE_SINK_NAME.monitor" --raw --format=s16le --rate=44100 --channels=1 >"$1" &
    PULSE_RECORDER=$!
    # parec needs a moment before the first samples arrive
    sleep 0.3
}

pulse_stop_record() {
    [ -n "$PULSE_RECORDER" ] || return 0
    kill "$PULSE_RECORDER" 2>/dev/null
    wait "$PULSE_RECORDER" 2>/dev/null
    PULSE_RECORDER=
}

# Clients first, the server last, each waited for.
pulse_stop() {
    pulse_stop_record
    local i
    for ((i = ${#PULSE_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PULSE_PIDS[i]}" 2>/dev/null
        wait "${PULSE_PIDS[i]}" 2>/dev/null
    done
    PULSE_PIDS=()
    [ -n "$PULSE_WORK" ] && rm -rf "$PULSE_WORK"
    PULSE_WORK=
}
