#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every test.
set -eu
cd "$(dirname "$0")"
started=$(date +%s)
# Whether this machine runs 32-bit programs decides how the 32-bit parts are
# run; the one line it prints says which way. SHOW_FORCE_NO_32BIT=1 takes the
# way of machines that do not.
. scripts/probe-32bit.sh
part() {  # NAME SCRIPT
    echo "=== $1"
    part_start=$(date +%s)
    sh "$2"
    echo "=== $1: passed in $(($(date +%s) - part_start)) s"
}
# The core, the tools and the desktop program, with every test of theirs;
# real windows on a private Xvfb display.
part "desktop" scripts/test-desktop.sh
# The portable core and its tests built for 32 bits, run natively or under
# qemu-i386.
part "32-bit core" scripts/test-core32.sh
# Project1.exe cross-built at 32 and 64 bits; the core's and the backend's
# tests and Project1.exe end to end under 32-bit Wine, or under 64-bit Wine in
# its 64-bit build, on Xvfb.
part "Windows" scripts/test-windows.sh
# Every test under the address and undefined-behaviour sanitizers, the bitmap
# conformance suite against that build, and a one-minute fuzz run of the loader.
part "pictures" scripts/test-pictures.sh
# The web page: the core compiled with Emscripten, the scheduler's tests under
# node, and the page in headless Chromium on 127.0.0.1, one test a full show.
part "web" scripts/test-web.sh
# The release artefacts from scripts/package.sh, each checked where a user
# meets it: the .deb installed into an empty Debian of this machine's release
# and removed again, the Windows zip under Wine, the web bundle in Chromium.
part "release" scripts/test-release.sh
if [ "$SHOW_32BIT_PROGRAMS" = native ]; then
    echo "=== all passed in $(($(date +%s) - started)) s; 32-bit core run natively," \
        "32-bit Project1.exe under 32-bit Wine"
else
    echo "=== all passed in $(($(date +%s) - started)) s; 32-bit core run under qemu-i386," \
        "64-bit Project1.exe under 64-bit Wine (the 32-bit one built and checked, not run)"
fi
