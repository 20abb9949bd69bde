# Manual pages are installed compressed, as Debian ships them: gzip -9n keeps no name and no
# time stamp, so that the same page always gives the same bytes.
#   quillane_manual_page(<page.1>) installs <page.1>.gz into section 1.
include(GNUInstallDirs)
find_program(QUILLANE_GZIP gzip)

function(quillane_manual_page page)
    if(WIN32 OR NOT QUILLANE_GZIP)
        return()
    endif()
    get_filename_component(name ${page} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${QUILLANE_GZIP} -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/${page} > ${compressed}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${page}
        COMMENT "Compressing the manual page ${name}")
    string(MAKE_C_IDENTIFIER ${name} target)
    add_custom_target(manual_${target} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
