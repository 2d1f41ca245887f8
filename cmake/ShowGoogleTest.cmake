# GoogleTest for every test folder: the installed one (find_package), or,
# with -DSHOW_GTEST_SOURCE_DIR=/usr/src/googletest, one built from that
# source tree with this build's compiler and flags, as the 32-bit and Windows
# builds need.
set(SHOW_GTEST_SOURCE_DIR "" CACHE PATH
    "Build GoogleTest from this source tree instead of using the installed one")
if(SHOW_GTEST_SOURCE_DIR)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${SHOW_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
    # (GoogleTest's own code at -O1: how fast it runs never shows, and its one
    # large file is the slowest of a test build at -O2)
    target_compile_options(gtest PRIVATE -O1)
    target_compile_options(gtest_main PRIVATE -O1)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# The precompiled GoogleTest header every test program uses, made once for
# the build. (Its maker defines nothing of a program's own: GCC refuses a
# header made with a macro that the program using it lacks.)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/test_header.cpp CONTENT "")
add_library(test_header OBJECT ${CMAKE_BINARY_DIR}/test_header.cpp)
target_link_libraries(test_header PRIVATE GTest::gtest)
show_set_warnings(test_header)
if(NOT MSVC)
    target_compile_options(test_header PRIVATE -O0)
endif()
target_precompile_headers(test_header PRIVATE <gtest/gtest.h> <string> <vector>)

# A test program: its own code built without optimisation, over that
# precompiled GoogleTest header (how fast a test's own lines run never
# shows, while the optimiser and parsing GoogleTest are most of a test
# build's time; the code under test keeps its build's flags, and so its
# faults); and its tests for CTest: each on its own where
# the program runs here, from the program's own list (gtest_discover_tests,
# with ARGN), or the whole program as one test where an emulator runs it
# (Wine, qemu-i386), whose start costs more than most of its tests do. Its
# output names each test that failed. WITHOUT_SHARED_HEADER: a program that
# GCC's shared header cannot serve, since its libraries define macros that
# the system's headers read (_DEFAULT_SOURCE) or set -fPIC (Qt's); it
# precompiles its own where it has more than one file.
function(show_test_program target)
    set(args ${ARGN})
    list(FIND args WITHOUT_SHARED_HEADER without)
    if(without GREATER -1)
        list(REMOVE_AT args ${without})
        get_target_property(sources ${target} SOURCES)
        list(FILTER sources INCLUDE REGEX "\\.cpp$")
        list(LENGTH sources count)
        if(count GREATER 1)
            target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <string> <vector>)
        endif()
    else()
        target_precompile_headers(${target} REUSE_FROM test_header)
    endif()
    if(NOT MSVC)
        target_compile_options(${target} PRIVATE -O0)
    endif()
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        cmake_parse_arguments(arg "" "DISCOVERY_TIMEOUT" "PROPERTIES" ${args})
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES TIMEOUT 600 ${arg_PROPERTIES})
    else()
        gtest_discover_tests(${target} ${args})
    endif()
endfunction()
