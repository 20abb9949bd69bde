# Read by cpack as it makes each package. cpack -D QUILLANE_UNINSTALL_ALSO=<NSIS lines> makes an
# uninstaller that runs those lines too: the package check's proof that it sees what an
# uninstaller takes away.
if(QUILLANE_UNINSTALL_ALSO)
    string(APPEND CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "\n${QUILLANE_UNINSTALL_ALSO}\n")
endif()
