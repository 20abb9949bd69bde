# Packages a lab can install, made with CPack from the install rules:
#   Linux:   a .deb with the program, its desktop entry and icon, and quillane-split with its
#            manual page (cpack -G DEB)
#   Windows: a zip of quillane.exe, quillane-split.exe, the README and the licence, and an NSIS
#            installer with a Start-menu entry and an uninstaller (cpack -G "ZIP;NSIS")
# scripts/package builds them all.
include(GNUInstallDirs)

if(WIN32)
    install(FILES README.md DESTINATION . RENAME README.txt)
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
else()
    install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VENDOR "Velmora Technologies")
set(CPACK_PACKAGE_CONTACT "Velmora Technologies")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
    set(CPACK_GENERATOR "ZIP;NSIS")
    set(CPACK_PACKAGE_FILE_NAME quillane-${PROJECT_VERSION}-win64)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Quillane)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quillane)
    # The Start-menu entry: quillane.exe, shown as "Quillane".
    set(CPACK_PACKAGE_EXECUTABLES quillane Quillane)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_NSIS_PACKAGE_NAME Quillane)
    set(CPACK_NSIS_DISPLAY_NAME Quillane)
    set(CPACK_NSIS_INSTALLED_ICON_NAME quillane.exe)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/ui/resources/quillane.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/ui/resources/quillane.ico)
    # A 64-bit installer for a 64-bit program: it installs into the 64-bit Program Files and
    # runs where Windows (or Wine) has no 32-bit layer.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # A second installation replaces the first rather than sitting beside it.
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # "Open with" for .tif and .tiff files, beside whatever program opens them by default, for
    # the users the installation is for (SHCTX); the uninstaller takes the entries away again.
    # Single quotes and NSIS's $\" for a double quote: CPack does not carry double quotes through
    # to the script.
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe' 'FriendlyAppName' 'Quillane'
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\shell\open\command' '' '$\"$INSTDIR\quillane.exe$\" $\"%1$\"'
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\SupportedTypes' '.tif' ''
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\SupportedTypes' '.tiff' ''
  WriteRegStr SHCTX 'Software\Classes\.tif\OpenWithList\quillane.exe' '' ''
  WriteRegStr SHCTX 'Software\Classes\.tiff\OpenWithList\quillane.exe' '' ''
]=])
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  DeleteRegKey SHCTX 'Software\Classes\Applications\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tif\OpenWithList\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tiff\OpenWithList\quillane.exe'
]=])
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    # The Qt 6 libraries the program links come from dpkg-shlibdeps; the platform plugins that
    # put a window on an X11 desktop are loaded at run time, so they are named here.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()

include(CPack)
