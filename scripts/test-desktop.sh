#!/bin/sh
# Installs what is missing, builds the desktop program with warnings as
# errors into build-desktop/, and runs its tests (unit tests and real windows
# on private Xvfb displays, one of them under openbox).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh $(grep -hv '^#' scripts/packages.txt scripts/packages-desktop.txt \
    scripts/packages-desktop-tests.txt)
cmake -S . -B build-desktop -G Ninja -DSHOW_BUILD_QT=ON -DSHOW_WARNINGS_AS_ERRORS=ON
cmake --build build-desktop -j2

# Two private X servers: a bare one, and one under openbox, the window
# manager the tests drive the program through. Each takes the first display
# number with neither a lock file nor a socket.
servers=""
logs=""
cleanup() {
    for pid in $servers; do kill "$pid" 2>/dev/null || true; done
    for pid in $servers; do wait "$pid" 2>/dev/null || true; done
    rm -f $logs
}
trap cleanup EXIT INT TERM
start_xvfb() {  # sets display
    display=90
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    log=$(mktemp)
    logs="$logs $log"
    # -noreset: the root window keeps the properties a test sets between clients.
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$log" 2>&1 &
    pid=$!
    servers="$servers $pid"
    tries=0
    until [ -e "/tmp/.X11-unix/X$display" ]; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "Xvfb did not start:" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.1
    done
}
start_xvfb
bare=":$display"
start_xvfb
managed=":$display"
# openbox's own configuration, the one a new user has; its menu file is
# Debian's and may be missing.
DISPLAY="$managed" openbox >/dev/null 2>&1 &
servers="$! $servers"
tries=0
until DISPLAY="$managed" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "openbox did not start" >&2
        exit 1
    fi
    sleep 0.1
done

# The bare server's and openbox's end-to-end runs each hold their own display,
# so the two sets run side by side.
DISPLAY="$bare" SHOW_WM_DISPLAY="$managed" ctest --test-dir build-desktop --output-on-failure -j2
