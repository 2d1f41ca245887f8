#!/bin/sh
# Builds build-win/platform/win32/Project1.exe, the 32-bit Windows executable,
# on Debian 12 or 13: installs the cross compiler if it is missing, then
# cross-builds with the runtime linked in, so the executable needs no DLL
# beyond Windows' own. Extra arguments go to CMake's configure step.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh cmake ninja-build g++-mingw-w64-i686
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/i686-w64-mingw32.cmake" \
    -DSHOW_BUILD_TOOLS=OFF -DSHOW_BUILD_TESTS=OFF "$@"
cmake --build build-win -j2 --target Project1
