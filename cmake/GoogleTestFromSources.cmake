# GoogleTest built from Debian's sources (package googletest, /usr/src/googletest) inside the
# build tree, for a build where no GoogleTest for the target system is installed.
set(QUILLANE_GOOGLETEST_SOURCES /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${QUILLANE_GOOGLETEST_SOURCES}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${QUILLANE_GOOGLETEST_SOURCES} (Debian package googletest)")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUILLANE_GOOGLETEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# GoogleTest's own build names the targets GTest::gtest and GTest::gtest_main as well.
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()
