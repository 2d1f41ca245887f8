#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every test.
set -eu
cd "$(dirname "$0")"
sh scripts/build.sh -DSHOW_WARNINGS_AS_ERRORS=ON
ctest --test-dir build --output-on-failure -j2
