# Run by cpack once the files are in place and before they are packed: every program is signed
# (packaging/windows/sign.sh, which signs only when a certificate is configured).
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe")
if(programs)
    execute_process(COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/sign.sh" ${programs} COMMAND_ERROR_IS_FATAL ANY)
endif()
