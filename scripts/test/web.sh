#!/bin/sh
# Installs what is missing (apt-get, then npm ci), builds the web page into
# build-web/site/ with warnings as errors, and runs its tests: the show clock
# under node, and the page in Chromium on 127.0.0.1, headless but for the full
# show (about 105 s), which runs in a browser window on a private Xvfb so that
# the tab's text can be read from the window's name; the page offline and
# installed, from the keyboard, and over 2,000 flicker ticks (about 70 s)
# with nothing growing. Then the page in each engine, Chromium, Firefox ESR
# and WebKitGTK, side by side in windows on a second Xvfb, each playing into
# its own null sink of a private PulseAudio; their output follows, with each
# engine's time.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/build-web.sh
. scripts/helpers/xvfb.sh
. scripts/helpers/pulse.sh
trap 'stop_pulse; stop_xvfbs' EXIT
start_xvfb
SHOW_WEB_DISPLAY=$display node --test tests/platform/web/showclock.test.js \
    tests/platform/web/page.test.mjs tests/platform/web/recorder.test.mjs \
    tests/platform/web/offline.test.mjs tests/platform/web/keyboard.test.mjs \
    tests/platform/web/longrun.test.mjs

engines="chromium firefox webkit"
start_xvfb
start_pulse $(for engine in $engines; do echo "show-$engine"; done)
logs=$(mktemp -d)
pids=""
for engine in $engines; do
    (
        start=$(date +%s)
        status=0
        SHOW_WEB_ENGINE=$engine SHOW_WEB_DISPLAY=$display SHOW_WEB_PULSE=$pulse_server \
            node --test tests/platform/web/engines.test.mjs >"$logs/$engine" 2>&1 || status=$?
        echo "# $engine: $(($(date +%s) - start)) s" >>"$logs/$engine"
        exit $status
    ) &
    pids="$pids $!"
done
status=0
for pid in $pids; do wait "$pid" || status=1; done
for engine in $engines; do cat "$logs/$engine"; done
rm -rf "$logs"
exit $status
