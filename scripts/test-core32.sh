#!/bin/sh
# Builds the portable core and its tests for 32 bits into build-32, with
# warnings as errors, and runs them.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh $(grep -v '^#' scripts/packages.txt)
cmake -S . -B build-32 -G Ninja -DCMAKE_CXX_FLAGS=-m32 -DSHOW_BUILD_TOOLS=OFF \
    -DSHOW_GTEST_FROM_SOURCE=ON -DSHOW_WARNINGS_AS_ERRORS=ON
cmake --build build-32
ctest --test-dir build-32 --output-on-failure -j2
