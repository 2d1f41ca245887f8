#!/bin/sh
# Measures the show's flashes (replay --flashes) on the default picture and
# three plain ones (mid grey, saturated red, light grey), each with three
# clocks, a click at 0 and the whole show and 8 s after it (110 s), or the
# first MS milliseconds with --until MS; prints one verdict a run and keeps
# each run's table under OUT_DIR. REPLAY's build holds window.json, which
# names the data files and the show's timing.
# usage: sh scripts/measure/flashes.sh [--until MS] REPLAY DEFAULT_DATA_DIR OUT_DIR
set -eu
usage="usage: sh scripts/measure/flashes.sh [--until MS] REPLAY DEFAULT_DATA_DIR OUT_DIR"
until_ms=""
case "${1:-}" in
    -h | --help)
        echo "$usage"
        exit 0
        ;;
    --until)
        until_ms=${2:-}
        shift 2 || true
        case "$until_ms" in
            "" | *[!0-9]*)
                echo "flashes.sh: --until takes a number of milliseconds" >&2
                echo "$usage" >&2
                exit 2
                ;;
        esac
        ;;
esac
if [ $# -ne 3 ]; then
    echo "$usage" >&2
    exit 2
fi
replay=$(realpath "$1")
data=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")

helpers=$(realpath "$(dirname "$0")/../helpers")
# The picture's path in the show's folder, as the build of REPLAY names it,
# and by default the whole show and 8 s after it.
window_json="$(dirname "$replay")/../window.json"
picture_file=$(python3 "$helpers/showfiles.py" picture "$window_json")
if [ -z "$until_ms" ]; then
    read -r period last_step <<EOF
$(python3 "$helpers/showfiles.py" schedule "$window_json")
EOF
    until_ms=$((period * last_step + 8000))
fi

picture() {  # NAME B,G,R|-
    mkdir -p "$out/$1/$(dirname "$picture_file")"
    if [ "$2" = - ]; then
        cp "$data/$picture_file" "$out/$1/$picture_file"
    else
        # The tests' bitmap writer.
        python3 -c "import sys; sys.path.insert(0, sys.argv[1]); from showfiles import write_bmp
write_bmp(sys.argv[2], [[($2)] * 400] * 400, top_down=False)" "$helpers" "$out/$1/$picture_file"
    fi
}
picture default -
picture mid-grey 128,128,128
picture red 0,0,255
picture light-grey 230,230,230

for name in default mid-grey red light-grey; do
    for clock in 00:00:00.000 09:41:17.250 21:13:58.999; do
        table="$out/$name-$(echo "$clock" | tr -d ':.').csv"
        verdict=$("$replay" --dir "$out/$name" --clock "$clock" --click 0 --until "$until_ms" \
            --flashes "$table" 2>&1 >/dev/null | tail -n 1)
        echo "$name $clock: ${verdict#replay: flashes: }"
    done
done
