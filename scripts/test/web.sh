#!/bin/sh
# Installs what is missing (apt-get, then npm ci), builds the web page into
# build-web/site/ with warnings as errors, and runs its tests: the show clock
# under node, and the page in Chromium on 127.0.0.1, headless but for the full
# show (about 105 s), which runs in a browser window on a private Xvfb so that
# the tab's text can be read from the window's name. Meanwhile, one after
# another on a second Xvfb, the page runs in each engine (Chromium, Firefox
# ESR and WebKitGTK) in a window playing into its own null sink of a private
# PulseAudio; their output follows, with each engine's time.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/build-web.sh
. scripts/helpers/xvfb.sh
. scripts/helpers/pulse.sh
trap 'stop_pulse; stop_xvfbs' EXIT
start_xvfb
engines_display=$display
start_xvfb
engines="chromium firefox webkit"
start_pulse $(for engine in $engines; do echo "show-$engine"; done)
logs=$(mktemp -d)
(
    failed=0
    for engine in $engines; do
        start=$(date +%s)
        SHOW_WEB_ENGINE=$engine SHOW_WEB_DISPLAY=$engines_display SHOW_WEB_PULSE=$pulse_server \
            node --test tests/platform/web/engines.test.mjs >"$logs/$engine" 2>&1 || failed=1
        echo "# $engine: $(($(date +%s) - start)) s" >>"$logs/$engine"
    done
    exit $failed
) &
engines_pid=$!
status=0
SHOW_WEB_DISPLAY=$display node --test tests/platform/web/showclock.test.js \
    tests/platform/web/page.test.mjs tests/platform/web/recorder.test.mjs || status=1
wait "$engines_pid" || status=1
for engine in $engines; do cat "$logs/$engine"; done
rm -rf "$logs"
exit $status
