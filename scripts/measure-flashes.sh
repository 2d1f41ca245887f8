#!/bin/sh
# Measures the show's flashes (replay --flashes) on the default picture and
# three plain ones (mid grey, saturated red, light grey), each with three
# clocks, a click at 0 and the whole show (110 s); prints one verdict a run
# and keeps each run's table under OUT_DIR.
# usage: sh scripts/measure-flashes.sh REPLAY DEFAULT_DATA_DIR OUT_DIR
# The plain pictures are made with ImageMagick's convert.
set -eu
if [ $# -ne 3 ]; then
    echo "usage: sh scripts/measure-flashes.sh REPLAY DEFAULT_DATA_DIR OUT_DIR" >&2
    exit 2
fi
replay=$(realpath "$1")
data=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")

picture() {  # NAME COLOUR|-
    mkdir -p "$out/$1/[]"
    if [ "$2" = - ]; then
        cp "$data/[]/,,,,;,,.bmp" "$out/$1/[]/,,,,;,,.bmp"
    else
        convert -size 400x400 "xc:$2" -type TrueColor "BMP3:$out/$1/[]/,,,,;,,.bmp"
    fi
}
picture default -
picture mid-grey "rgb(128,128,128)"
picture red "rgb(255,0,0)"
picture light-grey "rgb(230,230,230)"

for name in default mid-grey red light-grey; do
    for clock in 00:00:00.000 09:41:17.250 21:13:58.999; do
        table="$out/$name-$(echo "$clock" | tr -d ':.').csv"
        verdict=$("$replay" --dir "$out/$name" --clock "$clock" --click 0 --until 110000 \
            --flashes "$table" 2>&1 >/dev/null | tail -n 1)
        echo "$name $clock: ${verdict#replay: flashes: }"
    done
done
