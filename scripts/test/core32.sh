#!/bin/sh
# Builds the portable core and its tests for 32-bit x86 Linux into build-32,
# with warnings as errors, and runs them: directly where this machine runs
# 32-bit programs, else under qemu-i386 (scripts/helpers/probe-32bit.sh decides).
set -eu
cd "$(dirname "$0")/../.."
. scripts/helpers/probe-32bit.sh
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/build.txt)
if [ "$SHOW_32BIT_PROGRAMS" = native ]; then
    emulator=""
    echo "== 32-bit core: build-32/, tests run natively"
else
    sh scripts/helpers/install-deps.sh qemu-user
    emulator=qemu-i386
    echo "== 32-bit core: build-32/, tests run under qemu-i386 (user-mode emulation)"
fi
cmake --preset core32 -DSHOW_32BIT_EMULATOR="$emulator"
cmake --build build-32 -j2
ctest --preset core32 -j2
