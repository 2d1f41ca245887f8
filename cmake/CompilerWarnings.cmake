# One set of warnings for every target of the project.
option(SHOW_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

function(show_set_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${SHOW_WARNINGS_AS_ERRORS}>:/WX>)
        return()
    endif()
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
        -Wcast-align -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference
        -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
        $<$<BOOL:${SHOW_WARNINGS_AS_ERRORS}>:-Werror>)
endfunction()
