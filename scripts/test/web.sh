#!/bin/sh
# Installs what is missing (apt-get, then npm ci), builds the web page into
# build-web/site/ with warnings as errors, and runs its tests: the show clock
# under node, and the page in Chromium on 127.0.0.1, headless but for the full
# show (about 105 s), which runs in a browser window on a private Xvfb so that
# the tab's text can be read from the window's name; the page offline and
# installed, from the keyboard, and over 2,000 flicker ticks (about 70 s)
# with nothing growing.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/build-web.sh
. scripts/helpers/xvfb.sh
trap stop_xvfbs EXIT
start_xvfb
SHOW_WEB_DISPLAY=$display node --test tests/platform/web/showclock.test.js \
    tests/platform/web/page.test.mjs tests/platform/web/recorder.test.mjs \
    tests/platform/web/offline.test.mjs tests/platform/web/keyboard.test.mjs \
    tests/platform/web/longrun.test.mjs
