#!/bin/sh
# Installs, where missing, what the Windows tests need, Wine included: with
# 32-bit Wine (the i386 architecture and wine32) where this machine runs
# 32-bit programs, without it where it does not (scripts/helpers/probe-32bit.sh).
set -eu
cd "$(dirname "$0")/../.."
. scripts/helpers/probe-32bit.sh >/dev/null
if [ "$SHOW_32BIT_PROGRAMS" = native ]; then
    # wine32 needs the i386 architecture before its package can be found.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        apt-get update -q
    fi
    sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/windows.txt) wine32
else
    sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/windows.txt)
fi
