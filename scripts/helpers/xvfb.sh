# Sourced by the test scripts: private Xvfb X servers.
#   start_xvfb   starts one on a display number the server picks itself,
#                waits until it takes clients, and sets `display` to ":N"
#   stop_xvfbs   stops every process listed in `xvfb_pids`: the servers
#                started, and whatever a script adds (a window manager)
xvfb_pids=""

start_xvfb() {
    _xvfb_dir=$(mktemp -d)
    # -noreset: the root window keeps the properties a test sets between clients.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$_xvfb_dir/display" >"$_xvfb_dir/log" 2>&1 &
    _xvfb_pid=$!
    xvfb_pids="$xvfb_pids $_xvfb_pid"
    _tries=0
    until [ -s "$_xvfb_dir/display" ]; do
        _tries=$((_tries + 1))
        if [ "$_tries" -gt 100 ] || ! kill -0 "$_xvfb_pid" 2>/dev/null; then
            echo "Xvfb did not start:" >&2
            cat "$_xvfb_dir/log" >&2
            rm -rf "$_xvfb_dir"
            exit 1
        fi
        sleep 0.1
    done
    display=":$(head -n 1 "$_xvfb_dir/display")"
    rm -rf "$_xvfb_dir"
}

stop_xvfbs() {
    for _pid in $xvfb_pids; do kill "$_pid" 2>/dev/null || true; done
    for _pid in $xvfb_pids; do wait "$_pid" 2>/dev/null || true; done
}
