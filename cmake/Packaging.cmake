# The desktop program as a Debian package for the Debian release it is built
# on (a Debian 12 build installs on Debian 13 too, not the other way round):
# CPack's DEB generator. `cmake --install` lays it out under /usr, `cpack -G
# DEB` packs it. The program keeps its name, Project1, in a folder of its own;
# the launcher flicker-show on the PATH starts it in the data folder.
include(GNUInstallDirs)

set(SHOW_PACKAGE flicker-show)
set(SHOW_LIB_DIR ${CMAKE_INSTALL_LIBDIR}/${SHOW_PACKAGE})
set(SHOW_DATA_DIR ${CMAKE_INSTALL_DATADIR}/${SHOW_PACKAGE})
set(SHOW_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${SHOW_PACKAGE})
set(SHOW_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS Project1 RUNTIME DESTINATION ${SHOW_LIB_DIR})
# The "[]" folder whole: its files' names hold a ";", CMake's list separator.
install(DIRECTORY ${SHOW_RUN_DIR}/[] DESTINATION ${SHOW_DATA_DIR})

configure_file(${SHOW_PACKAGING}/flicker-show.in ${CMAKE_BINARY_DIR}/packaging/flicker-show @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/flicker-show DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SHOW_PACKAGING}/flicker-show.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/flicker-show.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SHOW_PACKAGING}/copyright DESTINATION ${SHOW_DOC_DIR})

# The changelog's newest entry is this version's.
file(STRINGS ${SHOW_PACKAGING}/changelog SHOW_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT SHOW_CHANGELOG_TOP MATCHES "^${SHOW_PACKAGE} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()
configure_file(${SHOW_PACKAGING}/flicker-show.1.in ${CMAKE_BINARY_DIR}/packaging/flicker-show.1 @ONLY)
# The AppStream metadata, with this version and the date of its changelog
# entry ("Tue, 08 Dec 2026 ..." becomes 2026-12-08).
file(STRINGS ${SHOW_PACKAGING}/changelog SHOW_CHANGELOG_TRAILER REGEX "^ -- " LIMIT_COUNT 1)
if(NOT SHOW_CHANGELOG_TRAILER MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: its top entry has no date")
endif()
set(SHOW_RELEASE_DAY ${CMAKE_MATCH_1})
set(SHOW_RELEASE_YEAR ${CMAKE_MATCH_3})
set(SHOW_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND SHOW_MONTHS ${CMAKE_MATCH_2} SHOW_RELEASE_MONTH)
if(SHOW_RELEASE_MONTH LESS 0)
    message(FATAL_ERROR "packaging/changelog: no month ${CMAKE_MATCH_2} in its top entry's date")
endif()
math(EXPR SHOW_RELEASE_MONTH "${SHOW_RELEASE_MONTH} + 1" OUTPUT_FORMAT DECIMAL)
if(SHOW_RELEASE_MONTH LESS 10)
    set(SHOW_RELEASE_MONTH 0${SHOW_RELEASE_MONTH})
endif()
set(SHOW_RELEASE_DATE ${SHOW_RELEASE_YEAR}-${SHOW_RELEASE_MONTH}-${SHOW_RELEASE_DAY})
configure_file(${SHOW_PACKAGING}/flicker-show.metainfo.xml.in
    ${CMAKE_BINARY_DIR}/packaging/org.example.FlickerShow.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/org.example.FlickerShow.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
configure_file(${SHOW_PACKAGING}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog COPYONLY)

# Debian wants the changelog and the manual page compressed, without a time
# stamp in the gzip header.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
foreach(doc changelog flicker-show.1)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/packaging/${doc}.gz
        COMMAND ${GZIP_EXECUTABLE} -9 -n -f -k ${CMAKE_BINARY_DIR}/packaging/${doc}
        DEPENDS ${CMAKE_BINARY_DIR}/packaging/${doc}
        VERBATIM)
endforeach()
add_custom_target(packaging_docs ALL DEPENDS
    ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_BINARY_DIR}/packaging/flicker-show.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${SHOW_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SHOW_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Flicker Show developers")
set(CPACK_PACKAGE_CONTACT "The Flicker Show developers <flicker-show@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture that flickers, with a tune and a timed show")
set(CPACK_PACKAGE_DESCRIPTION
    "A single window shows a 400 x 400 picture that flickers from start-up. A\n\
click on it starts a tune and a timed show of 34 steps, one every three\n\
seconds: wash-out, reload, negative, random colour flips, a glitching window\n\
title, white, black. Afterwards only the flicker goes on until the window is\n\
closed. The package ships a default picture and tune; a folder of your own\n\
named [] with your own picture and tune takes their place.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_FILE_NAME ${SHOW_PACKAGE}_${PROJECT_VERSION}_amd64)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: Qt's window-system plugins, a General MIDI
# soundfont for the tune. Recommended: the limiter, Qt's Wayland plugin for
# sessions without an X server, a Japanese font for the error boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, timgm6mb-soundfont | sf2-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "swh-plugins, qt6-wayland, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
