# Sourced by the test scripts: a private PulseAudio server whose sinks are
# null sinks, so that browsers play into something whose level can be read
# (parec of SINK.monitor) and no sound reaches a speaker.
#   start_pulse NAME...  starts it with one null sink per NAME, the first the
#                        default, and sets `pulse_server` to its address
#   stop_pulse           stops it and removes its folder
_pulse_pid=""
_pulse_dir=""

start_pulse() {
    _pulse_dir=$(mktemp -d)
    # The arguments become "-L" "module-null-sink sink_name=NAME" pairs.
    for _sink in "$@"; do
        shift
        set -- "$@" -L "module-null-sink sink_name=$_sink"
    done
    # No configuration of the machine's or the user's: its own socket, state
    # and cookie in its folder, and no exit when idle.
    HOME=$_pulse_dir PULSE_RUNTIME_PATH=$_pulse_dir/run PULSE_STATE_PATH=$_pulse_dir/state \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --log-target=file:"$_pulse_dir/log" \
        -L "module-native-protocol-unix socket=$_pulse_dir/native auth-anonymous=1" "$@" \
        >/dev/null 2>&1 &
    _pulse_pid=$!
    pulse_server="unix:$_pulse_dir/native"
    _tries=0
    until pactl --server "$pulse_server" info >/dev/null 2>&1; do
        _tries=$((_tries + 1))
        if [ "$_tries" -gt 100 ] || ! kill -0 "$_pulse_pid" 2>/dev/null; then
            echo "PulseAudio did not start:" >&2
            cat "$_pulse_dir/log" >&2 2>/dev/null || true
            exit 1
        fi
        sleep 0.1
    done
}

stop_pulse() {
    if [ -n "$_pulse_pid" ]; then
        kill "$_pulse_pid" 2>/dev/null || true
        wait "$_pulse_pid" 2>/dev/null || true
    fi
    [ -n "$_pulse_dir" ] && rm -rf "$_pulse_dir"
    _pulse_pid=""
}
