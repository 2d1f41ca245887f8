#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every test.
set -eu
cd "$(dirname "$0")"
# The core, the tools and the desktop program, with every test of theirs;
# real windows on a private Xvfb display.
sh scripts/test-desktop.sh
# The portable core and its tests built for 32 bits.
sh scripts/test-core32.sh
# Every test under the address and undefined-behaviour sanitizers, the bitmap
# conformance suite against that build, and a one-minute fuzz run of the loader.
sh scripts/test-pictures.sh
