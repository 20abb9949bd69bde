# Warnings for the project's own targets only; a parent project's flags stay its own.
option(QUILLANE_WARNINGS_AS_ERRORS "Fail the build on any warning in the project's own code" OFF)

function(quillane_warnings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
        if(QUILLANE_WARNINGS_AS_ERRORS)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    elseif(MSVC)
        target_compile_options(${target} PRIVATE /W4)
        if(QUILLANE_WARNINGS_AS_ERRORS)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    endif()
    # Debug builds have the standard library check its own preconditions as well: an index
    # past the end of a vector stops the program there instead of reading what lies beyond.
    target_compile_definitions(${target} PRIVATE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
endfunction()
