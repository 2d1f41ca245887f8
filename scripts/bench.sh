#!/bin/sh
# Installs what is missing, builds the benchmarks (Release) into build-bench
# and prints their table. Extra arguments go to the benchmark program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh $(grep -v '^#' scripts/packages.txt) libbenchmark-dev
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHOW_BUILD_BENCHMARKS=ON \
    -DSHOW_BUILD_TESTS=OFF -DSHOW_BUILD_TOOLS=OFF
cmake --build build-bench --target show_bench
exec build-bench/tests/bench/show_bench --benchmark_color=false "$@"
