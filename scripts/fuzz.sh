#!/bin/sh
# Builds the loader's libFuzzer target in build-fuzz and runs it, seeded with
# the conformance suite's files beside the tree. Fails on a crash, a
# sanitizer report, a hang or a leak; what it found lies in build-fuzz/artifacts.
#   sh scripts/fuzz.sh [MINUTES]     default 30; "60s" for seconds
set -eu
cd "$(dirname "$0")/.."
time_arg=${1:-30}
case $time_arg in
    *s) seconds=${time_arg%s} ;;
    *) seconds=$((time_arg * 60)) ;;
esac

sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt) \
    $(grep -v '^#' scripts/packages/pictures.txt)

cmake --preset fuzz
cmake --build build-fuzz -j2 --target bmp_loader_fuzz

suite=../shared/bmpsuite
seeds=""
for kind in g q b x; do
    [ -d "$suite/$kind" ] && seeds="$seeds $suite/$kind"
done
[ -n "$seeds" ] || echo "fuzz: no conformance suite at $suite, starting from an empty corpus"
mkdir -p build-fuzz/corpus build-fuzz/artifacts
echo "fuzz: running the loader for ${seconds} s (log: build-fuzz/fuzz.log)"
status=0
# shellcheck disable=SC2086
build-fuzz/tests/fuzz/bmp_loader_fuzz -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/ \
    build-fuzz/corpus $seeds >build-fuzz/fuzz.log 2>&1 || status=$?
grep -E '^#[0-9]+.*(DONE|pulse|NEW)' build-fuzz/fuzz.log | tail -n 1 || true
grep -E '^stat::(number_of_executed_units|peak_rss_mb)' build-fuzz/fuzz.log || true
if [ "$status" -ne 0 ]; then
    tail -n 60 build-fuzz/fuzz.log
    echo "fuzz: FAILED (status $status); inputs in build-fuzz/artifacts"
    exit 1
fi
echo "fuzz: passed"
