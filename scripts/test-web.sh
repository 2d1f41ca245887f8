#!/bin/sh
# Installs what is missing (apt-get, then npm ci), builds the web page into
# build-web/site/ with warnings as errors, and runs its tests: the show clock
# under node, and the page in headless Chromium on 127.0.0.1 (one test plays
# a full show, about 105 s).
set -eu
cd "$(dirname "$0")/.."
sh scripts/build-web.sh
node --test tests/platform/web/showclock.test.js tests/platform/web/page.test.mjs \
    tests/platform/web/recorder.test.mjs
