# Cross-builds the same Windows backend for 64-bit Windows with Debian's
# mingw-w64 compiler (g++-mingw-w64-x86-64), into a tree of its own:
#   cmake --preset windows64-tests     (build-win64/, CMakePresets.json)
# The product is the 32-bit executable; this build proves the backend clean at
# both widths and lets machines without 32-bit Wine run its tests under 64-bit
# Wine.
set(SHOW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SHOW_WINE_PROGRAM wine64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
