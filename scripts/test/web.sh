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
# SHOW_WEB_ENGINES names the engines to run (all three unless it says less).
engines=${SHOW_WEB_ENGINES:-chromium firefox webkit}
for engine in $engines; do
    case $engine in
        chromium | firefox | webkit) ;;
        *) echo "web.sh: no engine \"$engine\" (SHOW_WEB_ENGINES takes chromium, firefox, webkit)" >&2
           exit 2 ;;
    esac
done
for engine in chromium firefox webkit; do
    case " $engines " in
        *" $engine "*) ;;
        *) echo "# $engine: not run here (SHOW_WEB_ENGINES=\"$engines\")" ;;
    esac
done
# (The test command builds the page first, as a part of its own that the
# release's packing waits for, and says so with SHOW_WEB_BUILT=yes.)
[ "${SHOW_WEB_BUILT:-}" = yes ] || sh scripts/build-web.sh
. scripts/helpers/xvfb.sh
. scripts/helpers/pulse.sh
trap 'stop_pulse; stop_xvfbs' EXIT
start_xvfb
SHOW_WEB_DISPLAY=$display node --test tests/platform/web/showclock.test.js \
    tests/platform/web/page.test.mjs tests/platform/web/recorder.test.mjs \
    tests/platform/web/offline.test.mjs tests/platform/web/keyboard.test.mjs \
    tests/platform/web/longrun.test.mjs

start_xvfb
start_pulse $(for engine in $engines; do echo "show-$engine"; done)
logs=$(mktemp -d)
pids=""
# One engine's run into $logs/ENGINE; its exit status.
run_engine() {  # ENGINE
    start=$(date +%s)
    status=0
    # (a browser that hangs ends the run, not the test command: 5 minutes
    # is about four times an engine's time)
    SHOW_WEB_ENGINE=$1 SHOW_WEB_DISPLAY=$display SHOW_WEB_PULSE=$pulse_server \
        timeout -k 10 300 node --test tests/platform/web/engines.test.mjs \
        >>"$logs/$1" 2>&1 || status=$?
    [ "$status" -eq 124 ] && echo "# $1: stopped after 300 s" >>"$logs/$1"
    echo "# $1: $(($(date +%s) - start)) s" >>"$logs/$1"
    return $status
}
# A browser that crashed, as it says so itself, is the one failure run again:
# said in a line "=== rerun: ..." with the words seen. Any other failure fails.
crashed='Target crashed|Page crashed!|WebProcess CRASHED'
for engine in $engines; do
    (
        run_engine "$engine" && exit 0
        seen=$(grep -Eo "$crashed" "$logs/$engine" | head -n 1)
        [ -n "$seen" ] || exit 1
        echo "=== rerun: web $engine engines.test.mjs: the browser crashed (\"$seen\" above)" >>"$logs/$engine"
        run_engine "$engine"
    ) &
    pids="$pids $!"
done
status=0
for pid in $pids; do wait "$pid" || status=1; done
for engine in $engines; do cat "$logs/$engine"; done
rm -rf "$logs"
exit $status
