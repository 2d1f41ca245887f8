#!/bin/sh
# Tests the picture loader against hostile input: the whole test suite built
# with clang under the address and undefined-behaviour sanitizers (build-asan),
# the conformance suite against that build's replay, and a one-minute fuzz run:
# the picture loader and the tune reader, half a minute each.
set -eu
cd "$(dirname "$0")/../.."
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt) \
    $(grep -v '^#' scripts/packages/pictures.txt)

cmake --preset asan
cmake --build build-asan -j2
ctest --preset asan -j2

suite=../shared/bmpsuite
if [ -f "$suite/tools/bmpsuite_check.py" ]; then
    python3 "$suite/tools/bmpsuite_check.py" replay build-asan/tools/replay >build-asan/bmpsuite.txt ||
        { cat build-asan/bmpsuite.txt; echo "bmpsuite: FAILED"; exit 1; }
    tail -n 1 build-asan/bmpsuite.txt
else
    echo "bmpsuite: no conformance suite at $suite, check skipped"
fi

sh scripts/fuzz.sh 30s
