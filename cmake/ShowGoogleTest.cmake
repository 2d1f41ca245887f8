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
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)
