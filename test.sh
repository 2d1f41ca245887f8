#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every
# test: the whole build, then the portable core and its tests built for 32 bits.
set -eu
cd "$(dirname "$0")"
sh scripts/build.sh -DSHOW_WARNINGS_AS_ERRORS=ON
ctest --test-dir build --output-on-failure -j2

cmake -S . -B build-32 -G Ninja -DCMAKE_CXX_FLAGS=-m32 -DSHOW_BUILD_TOOLS=OFF \
    -DSHOW_GTEST_FROM_SOURCE=ON -DSHOW_WARNINGS_AS_ERRORS=ON
cmake --build build-32
ctest --test-dir build-32 --output-on-failure -j2
