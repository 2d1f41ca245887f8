#!/bin/sh
# Installs what is missing (apt-get, then npm ci) and builds the show's web
# page into build-web/site/ (or SHOW_WEB_BUILD's site/): the page, the program
# in WebAssembly and its JS, the synthesizer, the soundfont, the default
# picture and tune, and the licences of what the site ships. SHOW_BUILD_JOBS
# limits the build's jobs.
set -eu
cd "$(dirname "$0")/.."
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt scripts/packages/web.txt)
command -v npm >/dev/null || sh scripts/helpers/install-deps.sh npm
jobs=${SHOW_BUILD_JOBS:+-j$SHOW_BUILD_JOBS}
# Where it builds: build-web/, or the folder SHOW_WEB_BUILD names (the
# release builds its own, so that it can pack while the web tests run).
out=${SHOW_WEB_BUILD:-build-web}

web=programs/web
if [ ! -d "$web/node_modules/js-synthesizer" ] ||
    [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
    (cd "$web" && npm ci --no-audit --no-fund)
fi

# The program, compiled by Emscripten (its acorn, and terser's modules, come
# from Debian's node path).
export NODE_PATH=/usr/share/nodejs
emcmake cmake --preset web-wasm -B "$out"/wasm >/dev/null
cmake --build "$out"/wasm $jobs --target show_web
# The default data's writer, and replay for the page's tests, built for this
# machine; or, where SHOW_WEB_HOST_BUILD names a build of this source for this
# machine that makes them (the desktop program's, under the test command),
# taken from it once SHOW_WEB_HOST_STATUS says they are built.
if [ -n "${SHOW_WEB_HOST_BUILD:-}" ]; then
    if [ -n "${SHOW_WEB_HOST_STATUS:-}" ]; then
        . scripts/helpers/status-file.sh
        wait_for_status "$SHOW_WEB_HOST_STATUS" "the build of the tools in $SHOW_WEB_HOST_BUILD" || exit 1
    fi
    rm -rf "$out"/host
    ln -s "$(realpath "$SHOW_WEB_HOST_BUILD")" "$out"/host
    for made in tools/default_data tools/replay window.json; do
        [ -e "$out/host/$made" ] || { echo "build-web.sh: $SHOW_WEB_HOST_BUILD/$made is missing" >&2; exit 1; }
    done
else
    [ -L "$out"/host ] && rm "$out"/host
    cmake --preset web-host -B "$out"/host >/dev/null
    cmake --build "$out"/host $jobs --target default_data replay window_json
fi
# The site from the two: what it holds is said in the assembler.
python3 scripts/helpers/assemble-site.py "$out"
