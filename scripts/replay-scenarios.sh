#!/bin/sh
# Runs replay through a fixed set of scenarios (the default picture and others,
# with clicks, removals and replacements) and keeps each trace and its frames
# under OUT_DIR. Two builds whose OUT_DIRs are the same (diff -r) show the same
# show, byte for byte; use it to check that a change alters no behaviour.
# REPLAY's build holds window.json, which names the data files.
# usage: sh scripts/replay-scenarios.sh REPLAY DEFAULT_DATA_DIR OUT_DIR
set -eu
if [ $# -ne 3 ]; then
    echo "usage: sh scripts/replay-scenarios.sh REPLAY DEFAULT_DATA_DIR OUT_DIR" >&2
    exit 2
fi
replay=$(realpath "$1")
data=$(realpath "$2")
out=$3
tree=$(dirname "$0")/..
suite=$(realpath "$tree/$(sed -n '/^[^#]/{p;q}' "$tree/tests/support/bmpsuite-path.txt")")
# The picture's path in the show's folder, as the build of REPLAY names it.
picture_file=$(python3 "$(dirname "$0")/helpers/showfiles.py" picture \
    "$(dirname "$replay")/../window.json")
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")

scenario() {  # NAME PICTURE|- REPLAY-ARGS...
    name=$1 picture=$2
    shift 2
    dir="$out/$name"
    mkdir -p "$dir/work/$(dirname "$picture_file")" "$dir/frames"
    [ "$picture" = - ] || cp "$picture" "$dir/work/$picture_file"
    (cd "$dir" && "$replay" --dir work --frames frames "$@" >trace.txt 2>stderr.txt) ||
        echo "exit $?" >>"$dir/trace.txt"
    rm -rf "$dir/work"
}

default="$data/$picture_file"
scenario default "$default" --click 0 --until 110000
scenario default-late-clicks "$default" --clock 23:59:59.990 --click 1234 --click 5000 \
    --click 104000 --until 112000
scenario default-removed "$default" --clock 07:30:00.000 --click 10 --remove 20000 \
    --until 80000
scenario pal8-replaced "$suite/g/pal8.bmp" --click 500 --replace 23000 "$suite/g/rgb32bf.bmp" \
    --replace 60000 "$suite/g/pal4rle.bmp" --until 110000
scenario topdown-broken "$suite/g/pal8topdown.bmp" --click 0 \
    --replace 20000 "$suite/b/badrle.bmp" --remove 70000 --until 90000
scenario rgb16-nothing "$suite/g/rgb16-565.bmp" --until 20000
scenario no-picture - --click 100 --replace 30000 "$default" --until 100000
echo "replay scenarios: $(find "$out" -type f | wc -l) files in $out"
