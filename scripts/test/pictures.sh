#!/bin/sh
# Tests the picture loader against hostile input: the whole test suite built
# with clang under the address and undefined-behaviour sanitizers (build-asan),
# the conformance suite against that build's replay among them, and half a
# minute of fuzzing in the same build: the picture loader and the tune reader
# side by side.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt) \
    $(grep -v '^#' scripts/packages/pictures.txt)

cmake --preset asan
cmake --build build-asan -j2
ctest --preset asan -j2

SHOW_FUZZ_PRESET=asan sh scripts/fuzz.sh 30s
