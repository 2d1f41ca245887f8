# Every folder of the tree that holds headers is offered through an include
# root of its own: a folder in the build tree that holds links to the folder's
# headers under the folder's own path, and nothing else. "core/Cp932.h" is
# then found through core's root alone, and a subfolder's headers
# (platform/qt) are not in its parent's root (platform). Each library offers
# the roots of its own folders; a target sees the roots of what it links, so
# an include of a layer it does not link fails to compile.
# NOTE: the links are made when CMake configures; a header added to or
# removed from a folder makes the next build configure again.
function(show_include_root target scope folder)
    string(REPLACE "/" "_" name ${folder})
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    get_property(made GLOBAL PROPERTY SHOW_INCLUDE_ROOTS)
    if(NOT folder IN_LIST made)
        set_property(GLOBAL APPEND PROPERTY SHOW_INCLUDE_ROOTS ${folder})
        file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${folder}
            ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        file(REMOVE_RECURSE ${root})
        file(MAKE_DIRECTORY ${root}/${folder})
        foreach(header IN LISTS headers)
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header}
                ${root}/${folder}/${header} SYMBOLIC)
        endforeach()
    endif()
    target_include_directories(${target} ${scope} ${root})
endfunction()
