#!/bin/sh
# Builds programs/windows/Project1.exe in build-win/, the 32-bit Windows executable,
# on Debian 12 or 13: installs the cross compiler if it is missing, then
# cross-builds with the runtime linked in, so the executable needs no DLL
# beyond Windows' own. Extra arguments go to CMake's configure step.
set -eu
cd "$(dirname "$0")/.."
sh scripts/helpers/install-deps.sh cmake ninja-build g++-mingw-w64-i686
# Into build-win/, or the folder SHOW_WIN_BUILD names (the release builds its
# own, so that it can pack while the Windows tests run). A folder that the
# Windows tests configured (with their tests) is used as it is: only the
# executable is built here, the same with or without them.
out=${SHOW_WIN_BUILD:-build-win}
tests=""
[ -f "$out/CMakeCache.txt" ] || tests=-DSHOW_BUILD_TESTS=OFF
cmake --preset windows -B "$out" $tests "$@"
cmake --build "$out" -j2 --target Project1
