# What the two mingw-w64 toolchain files share; they set SHOW_MINGW_PREFIX,
# CMAKE_SYSTEM_PROCESSOR and SHOW_WINE_PROGRAM first. Every program links its
# runtime statically, so nothing but Windows' own DLLs sits beside it. With
# Wine installed, CTest runs the test programs under it; -DSHOW_WINE=PATH
# chooses the loader.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX threads flavour: GoogleTest needs std::mutex, which the Win32
# flavour of this compiler lacks. Linked statically, it adds no DLL.
set(CMAKE_C_COMPILER ${SHOW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SHOW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SHOW_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SHOW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the PE header: the same source gives the same executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(SHOW_WINE NAMES ${SHOW_WINE_PROGRAM} PATHS /usr/lib/wine)
    if(SHOW_WINE)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${SHOW_WINE})
    endif()
endif()
