#!/bin/sh
# Installs what is missing, builds the desktop program with warnings as
# errors into build-desktop/, and runs its tests (unit tests and real windows
# on private Xvfb displays, one of them under openbox).
set -eu
cd "$(dirname "$0")/../.."
# The tools the web page's build takes from this build, first: under the test
# command, SHOW_DESKTOP_TOOLS_STATUS names the file their build's exit status
# is written to, which that build waits for.
. scripts/helpers/status-file.sh
tools_status=${SHOW_DESKTOP_TOOLS_STATUS:-}
if ! { sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt \
        scripts/packages/desktop.txt scripts/packages/desktop-tests.txt) &&
    cmake --preset desktop &&
    cmake --build build-desktop -j2 --target default_data replay window_json; }; then
    # (both: the whole build cannot be made either, and its waiter must hear so)
    write_status "$tools_status" 1
    write_status "${SHOW_DESKTOP_BUILD_STATUS:-}" 1
    exit 1
fi
write_status "$tools_status" 0
# The whole build, whose status SHOW_DESKTOP_BUILD_STATUS names in the same way
# (the measuring part waits for it).
build_status=0
cmake --build build-desktop -j2 || build_status=$?
write_status "${SHOW_DESKTOP_BUILD_STATUS:-}" "$build_status"
[ "$build_status" -eq 0 ] || exit "$build_status"

# Two private X servers: a bare one, and one under openbox, the window
# manager the tests drive the program through.
. scripts/helpers/xvfb.sh
trap stop_xvfbs EXIT
trap 'exit 1' INT TERM
start_xvfb
bare=$display
start_xvfb
managed=$display
# openbox's own configuration, the one a new user has; its menu file is
# Debian's and may be missing.
DISPLAY="$managed" openbox >/dev/null 2>&1 &
xvfb_pids="$! $xvfb_pids"
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
# so the two sets run side by side, and the video's encoding beside them: the
# windows' runs spend most of their time waiting for the show's steps.
DISPLAY="$bare" SHOW_WM_DISPLAY="$managed" ctest --preset desktop -j3
