#!/bin/sh
# Installs what is missing, then configures and builds into build/.
# Extra arguments go to CMake's configure step.
set -eu
cd "$(dirname "$0")/.."
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt)
cmake --preset default "$@"
cmake --build build
