# Manual pages are installed compressed, as Debian ships them: gzip -9n keeps no name and no
# time stamp, so that the same page always gives the same bytes.
#   quillane_manual_page(<page.1> <component>) installs <page.1>.gz into section 1, with the
#   package (install component) of the program it describes.
include(GNUInstallDirs)
find_program(QUILLANE_GZIP gzip)

function(quillane_manual_page page component)
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
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

# Windows has no man: there a page is installed as HTML beside the programs (groff -Thtml), for
# the Start menu.
#   quillane_manual_page_html(<page.1>) installs <page>.html.
function(quillane_manual_page_html page)
    find_program(QUILLANE_GROFF groff REQUIRED)
    get_filename_component(name ${page} NAME_WE)
    set(html ${CMAKE_CURRENT_BINARY_DIR}/${name}.html)
    # -P -l: no links to the page's own headings, which a browser shows as a list of letters.
    add_custom_command(OUTPUT ${html}
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${QUILLANE_GROFF} -man -Thtml -P -l
            ${CMAKE_CURRENT_SOURCE_DIR}/${page} > ${html}
        DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${page}
        COMMENT "Writing the manual page ${name} as HTML")
    add_custom_target(manual_html_${name} ALL DEPENDS ${html})
    install(FILES ${html} DESTINATION .)
endfunction()
