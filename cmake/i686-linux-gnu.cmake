# Builds for 32-bit x86 Linux with the host's compiler and its -m32 libraries
# (g++-multilib):
#   cmake --preset core32     (build-32/, CMakePresets.json)
# On a machine whose kernel refuses 32-bit programs, -DSHOW_32BIT_EMULATOR=
# qemu-i386 runs the test programs (and their discovery) under user-mode
# emulation; without it they run directly.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

if(SHOW_32BIT_EMULATOR)
    find_program(SHOW_32BIT_EMULATOR_PATH ${SHOW_32BIT_EMULATOR} REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SHOW_32BIT_EMULATOR_PATH})
endif()
