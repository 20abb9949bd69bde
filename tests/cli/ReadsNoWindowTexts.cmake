# quillane-split learns what a run did from the run's outcome, never from the captions and
# messages the run shows a window: a caption changed there must not change what it reports.
file(GLOB sources ${SOURCE_DIR}/src/cli/*.cpp ${SOURCE_DIR}/src/cli/*.h)
foreach(source IN LISTS sources)
    file(READ ${source} text)
    foreach(windowText "Done!" "Cannot Split this tiff" "Successfully created files" "is not a valid path")
        string(FIND "${text}" "${windowText}" at)
        if(NOT at EQUAL -1)
            message(FATAL_ERROR "${source} reads the window's text \"${windowText}\"")
        endif()
    endforeach()
endforeach()
