#!/bin/sh
# Runs every measuring script of scripts/measure/ in a short run that makes one
# real measurement, so that a change that breaks one fails here: the desktop
# program's figures and its flicker's gaps to step 2, a few seconds of the soak
# on the desktop and on the page, the flashes of the first 9 s, the page's
# first visit and its show to step 2, and the plots of each (into
# build-measuring/). Their full runs take minutes and are run by hand
# (scripts/README.md).
# It uses build-desktop's show_probe and tools and the page in build-web/site:
# under the test command, SHOW_DESKTOP_BUILD_STATUS and SHOW_WEB_BUILD_STATUS
# name the files those builds write their exit status to, which this waits
# for; alone, it builds what is missing.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt \
    scripts/packages/desktop.txt scripts/packages/desktop-tests.txt scripts/packages/web.txt \
    scripts/packages/measuring.txt)
. scripts/helpers/status-file.sh
if [ -n "${SHOW_DESKTOP_BUILD_STATUS:-}" ]; then
    wait_for_status "$SHOW_DESKTOP_BUILD_STATUS" "the desktop build" || exit 1
else
    cmake --preset desktop
    cmake --build build-desktop -j2 --target show_probe replay default_data_files window_json
fi
if [ -n "${SHOW_WEB_BUILD_STATUS:-}" ]; then
    wait_for_status "$SHOW_WEB_BUILD_STATUS" "the web page's build" || exit 1
elif [ ! -f build-web/site/index.html ]; then
    sh scripts/build-web.sh
fi

out=build-measuring
rm -rf "$out"
mkdir -p "$out"
# (Debian's python3, whose matplotlib is python3-matplotlib, where another
# python3 comes first on the PATH)
python=/usr/bin/python3
step() {  # WHAT COMMAND...
    echo "=== $1"
    shift
    started=$(date +%s)
    "$@"
    echo "--- $(($(date +%s) - started)) s"
}

step "show.py: the desktop program's CPU, memory and timing, to step 2" \
    $python scripts/measure/show.py --build build-desktop --pictures default --short 2
step "plot-tick-gaps.py: the desktop flicker's gaps to step 2" \
    $python scripts/measure/plot-tick-gaps.py --build build-desktop --pictures default --steps 2 \
    "$out/tick-gaps.png"
step "soak.py: 12 s of the desktop program, then of the page, and soak-plot.py" \
    $python scripts/measure/soak.py --minutes 0.2 --build build-desktop --site build-web/site \
    --out "$out/soak"
step "flashes.sh: the first 9 s of the show's flashes, and plot-flashes.py" \
    sh scripts/measure/flashes.sh --until 9000 build-desktop/tools/replay build-desktop/run \
    "$out/flashes"
$python scripts/measure/plot-flashes.py "$out/flashes" "$out/flashes.png"
step "web-first-visit.mjs: a first visit to the page over a slow link" \
    node scripts/measure/web-first-visit.mjs build-web/site
step "web-show.mjs: the page's weight, its sound and its show to step 2" \
    node scripts/measure/web-show.mjs build-web/site --steps 2
step "plot-test-times.py: the test command's parts of the runs kept in docs/" \
    $python scripts/measure/plot-test-times.py "$out/test-times.png" docs/plots/test-times/*.log
for plot in tick-gaps.png soak/soak.png flashes.png test-times.png; do
    [ -s "$out/$plot" ] || { echo "measuring: $out/$plot was not drawn" >&2; exit 1; }
done
echo "=== every measuring script made its measurement; plots in $out/"
