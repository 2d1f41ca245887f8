#!/bin/sh
# Installs what is missing, builds the benchmarks (Release) into build-bench,
# with the desktop program's drawing and the measuring build of the program
# (show_probe, for scripts/measure/show.py), and prints the benchmarks' table.
# Extra arguments go to the benchmark program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt scripts/packages/desktop.txt) libbenchmark-dev
cmake --preset bench
cmake --build build-bench --target show_bench show_probe default_data_files window_json
# Repetitions in random order, so that a slow moment of a shared machine falls
# on every benchmark alike; the table uses their medians.
exec build-bench/tests/bench/show_bench --benchmark_repetitions=9 \
    --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.1 "$@"
