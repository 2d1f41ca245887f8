#!/bin/sh
# The quick check between edits: the layers' includes, then the portable core,
# the virtual backend, replay and every unit test of theirs, built into
# build-quick/ with warnings as errors. No window, no Wine, no browser: about
# a minute. ./test.sh runs everything.
set -eu
cd "$(dirname "$0")/.."
started=$(date +%s)
sh scripts/check-layers.sh
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt)
cmake --preset quick >/dev/null
cmake --build build-quick -j"$(nproc)"
ctest --preset quick -j"$(nproc)"
echo "test-quick: passed in $(($(date +%s) - started)) s"
