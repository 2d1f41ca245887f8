# Cross-builds for 32-bit Windows with Debian's mingw-w64 compiler
# (g++-mingw-w64-i686):
#   cmake --preset windows     (build-win/, CMakePresets.json)
set(SHOW_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SHOW_WINE_PROGRAM wine)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
