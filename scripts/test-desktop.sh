#!/bin/sh
# Installs what is missing, builds the desktop program with warnings as
# errors into build-desktop/, and runs its tests (unit tests and real windows
# on a private Xvfb display).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh $(grep -hv '^#' scripts/packages.txt scripts/packages-desktop.txt \
    scripts/packages-desktop-tests.txt)
cmake -S . -B build-desktop -G Ninja -DSHOW_BUILD_QT=ON -DSHOW_WARNINGS_AS_ERRORS=ON
cmake --build build-desktop -j2

# The first display number with neither a lock file nor a socket.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
xvfb_log=$(mktemp)
# -noreset: the root window keeps the properties a test sets between clients.
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$xvfb_log" 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -f "$xvfb_log"' EXIT INT TERM
tries=0
until [ -e "/tmp/.X11-unix/X$display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "Xvfb did not start:" >&2
        cat "$xvfb_log" >&2
        exit 1
    fi
    sleep 0.1
done

DISPLAY=":$display" ctest --test-dir build-desktop --output-on-failure -j2
