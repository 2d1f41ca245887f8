#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every test.
set -eu
cd "$(dirname "$0")"
# The core, the tools and the desktop program, with every test of theirs;
# real windows on a private Xvfb display.
sh scripts/test-desktop.sh
# The portable core and its tests built for 32 bits.
sh scripts/test-core32.sh
# The 32-bit Windows executable cross-built, the core's and the backend's
# tests under Wine, and Project1.exe end to end under Wine on Xvfb.
sh scripts/test-windows.sh
# Every test under the address and undefined-behaviour sanitizers, the bitmap
# conformance suite against that build, and a one-minute fuzz run of the loader.
sh scripts/test-pictures.sh
