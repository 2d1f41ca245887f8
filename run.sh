#!/bin/sh
# Installs what is missing, builds, and runs the show on the default picture
# and tune in build/run.
set -eu
cd "$(dirname "$0")"
sh scripts/build.sh
cd build/run
exec ../tools/replay --click 0 --frames frames
