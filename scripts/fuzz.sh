#!/bin/sh
# Builds the libFuzzer targets in build-fuzz and runs them side by side: the
# picture loader, seeded with the conformance suite's files beside the tree,
# and the tune reader, seeded with small tunes of each kind it meets
# (tests/fuzz/tune_seeds.py). Fails on a crash, a sanitizer report, a hang, a
# leak or a broken promise of the target; what it found lies in
# build-fuzz/artifacts.
#   sh scripts/fuzz.sh [MINUTES]     each target; default 30; "60s" for seconds
# SHOW_FUZZ_PRESET=asan builds and runs them in the sanitizer build instead
# (build-asan), whose code under test is instrumented for fuzzing too.
set -eu
cd "$(dirname "$0")/.."
preset=${SHOW_FUZZ_PRESET:-fuzz}
case $preset in
    fuzz | asan) ;;
    *) echo "fuzz.sh: SHOW_FUZZ_PRESET takes fuzz or asan, not \"$preset\"" >&2; exit 2 ;;
esac
build=build-$preset
time_arg=${1:-30}
case $time_arg in
    *s) seconds=${time_arg%s} ;;
    *) seconds=$((time_arg * 60)) ;;
esac

sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt) \
    $(grep -v '^#' scripts/packages/pictures.txt)

cmake --preset "$preset"
cmake --build "$build" -j2 --target bmp_loader_fuzz tune_reader_fuzz

# fuzz NAME TARGET CORPUS [ARGS...]: runs one target for the time given.
fuzz() {
    name=$1 target=$2 corpus=$3
    shift 3
    mkdir -p "$corpus" "$build"/artifacts
    log=$build/$target.log
    echo "fuzz: running the $name for ${seconds} s (log: $log)"
    status=0
    "$build"/tests/fuzz/"$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build"/artifacts/ \
        "$corpus" "$@" >"$log" 2>&1 || status=$?
    { grep -E '^#[0-9]+.*(DONE|pulse|NEW)' "$log" | tail -n 1
      grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"; } | sed "s/^/fuzz: the $name: /" || true
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz: the $name FAILED (status $status); inputs in $build/artifacts"
        exit 1
    fi
}

suite=$(sed -n '/^[^#]/{p;q}' tests/support/bmpsuite-path.txt)
seeds=""
for kind in g q b x; do
    [ -d "$suite/$kind" ] && seeds="$seeds $suite/$kind"
done
[ -n "$seeds" ] || echo "fuzz: no conformance suite at $suite, starting from an empty corpus"
python3 tests/fuzz/tune_seeds.py "$build"/tune-seeds
# The two side by side, one a core.
# shellcheck disable=SC2086
fuzz loader bmp_loader_fuzz "$build"/corpus $seeds &
loader=$!
fuzz "tune reader" tune_reader_fuzz "$build"/tune-corpus "$build"/tune-seeds \
    -dict=tests/fuzz/tune.dict &
tune=$!
status=0
wait "$loader" || status=1
wait "$tune" || status=1
[ "$status" -eq 0 ] || exit 1
echo "fuzz: passed"
