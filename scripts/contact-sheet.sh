#!/bin/sh
# Makes docs/show.png: the default picture at the show's main steps, as the
# replay tool draws them with a click at 0. Builds the tools first if needed.
#   sh scripts/contact-sheet.sh [BUILD_DIR]     (default: build-desktop)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-desktop}
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt) imagemagick fonts-dejavu-core
if [ ! -x "$build/tools/replay" ] || [ ! -e "$build/run/default_data.stamp" ] ||
    [ ! -e "$build/window.json" ]; then
    cmake --preset default -B "$build"
    cmake --build "$build" -j2 --target replay default_data_files window_json
fi
# The show's timing as the build makes it: the step period (ms) and the last step.
read -r period last_step <<EOF
$(python3 scripts/helpers/showfiles.py schedule "$build/window.json")
EOF
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT INT TERM
# A fixed clock makes the random steps the same on every run.
"$build/tools/replay" --dir "$build/run" --clock 12:00:00.000 --click 0 --until $(((last_step + 1) * period)) \
    --frames "$frames" >/dev/null

tiles() {
    while [ $# -ge 2 ]; do
        printf '%s\n%s\n' "-label" "$2 (step $1, $(($1 * period / 1000)) s)"
        ls "$frames"/*-step"$(printf %04d "$1")".bmp | head -n 1
        shift 2
    done
}
mkdir -p docs
{
    tiles 0 "start" 4 "washing out" 7 "washed out" 8 "reloaded" 10 "negative" \
        13 "colour flip" 18 "colour flip" 24 "colour flip" 25 "negative again" \
        31 "white" 32 "black" "$last_step" "flicker slows"
    echo "$frames/sheet.png"
} | tr '\n' '\0' | xargs -0 montage -font DejaVu-Sans -pointsize 14 -geometry 200x200+6+6 \
    -tile 4x -background '#202020' -fill '#e0e0e0'
# A palette keeps the sheet small; the flicker noise defeats plain compression.
convert "$frames/sheet.png" +dither -colors 256 PNG8:docs/show.png
echo "wrote docs/show.png"
