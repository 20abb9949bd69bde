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
    # What Debian asks of every package's documentation folder: the licence in the machine-readable
    # copyright file, and the changelog compressed (gzip -9n: the same bytes on every build).
    configure_file(packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
        COMMAND ${QUILLANE_GZIP} -9n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog)
    add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
    install(FILES README.md packaging/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VENDOR "Velmora Technologies")
set(CPACK_PACKAGE_CONTACT "Velmora Technologies <quillane@velmora.example>")
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
    # runs where Windows (or Wine) has no 32-bit layer. CPack's uninstaller removes its own key
    # under the vendor's, which the installer made too, only after the commands below: the
    # vendor's key goes once the uninstaller has succeeded, when nothing else is in it.
    set(CPACK_NSIS_DEFINES [=[
Target amd64-unicode
!include FileFunc.nsh
Var WatchFolder
Function un.onUninstSuccess
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Velmora Technologies'
FunctionEnd]=])
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
    # An option, off unless chosen: quillane-splitw.exe, quillane-split without a console window,
    # started at logon (the Run key of the user, or of every user for an installation for all)
    # to split each scan that arrives in a folder chosen on the page after it. A silent
    # installation takes the folder as /WATCH=<folder>.
    set(CPACK_NSIS_COMPONENT_SECTIONS [=[
Section /o 'Split the scans of a folder at logon' SectionWatch
SectionEnd
Section '-Watch at logon'
  SectionGetFlags ${SectionWatch} $0
  IntOp $0 $0 & ${SF_SELECTED}
  IntCmp $0 ${SF_SELECTED} watch
  ClearErrors
  ${GetOptions} $CMDLINE '/WATCH=' $WatchFolder
  IfErrors done
  watch:
  WriteRegStr SHCTX 'Software\Microsoft\Windows\CurrentVersion\Run' 'Quillane split watch' '$\"$INSTDIR\quillane-splitw.exe$\" --watch $\"$WatchFolder$\"'
  done:
SectionEnd
Function WatchFolderPage
  SectionGetFlags ${SectionWatch} $0
  IntOp $0 $0 & ${SF_SELECTED}
  IntCmp $0 ${SF_SELECTED} +2
    Abort
  StrCmp $WatchFolder '' 0 +2
    StrCpy $WatchFolder '$DOCUMENTS\Scans'
FunctionEnd]=])
    set(CPACK_NSIS_PAGE_COMPONENTS [=[
!insertmacro MUI_PAGE_COMPONENTS
  !define MUI_PAGE_CUSTOMFUNCTION_PRE WatchFolderPage
  !define MUI_PAGE_HEADER_TEXT 'Folder to watch'
  !define MUI_PAGE_HEADER_SUBTEXT 'Each scan that arrives in it is split at once.'
  !define MUI_DIRECTORYPAGE_TEXT_TOP 'From your next logon on, each scan written into this folder is split into its Red and Green files beside it, by quillane-splitw.exe, without a window.'
  !define MUI_DIRECTORYPAGE_TEXT_DESTINATION 'Scan folder'
  !define MUI_DIRECTORYPAGE_VARIABLE $WatchFolder
  !insertmacro MUI_PAGE_DIRECTORY]=])
    # The uninstaller takes away every key the installer made, the parents it made empty included,
    # and leaves a parent that holds anything else (another program's types and choices). A watch
    # still running is asked to stop (taskkill closes its hidden window) so that it can be removed.
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  DeleteRegValue SHCTX 'Software\Microsoft\Windows\CurrentVersion\Run' 'Quillane split watch'
  DeleteRegKey /ifempty SHCTX 'Software\Microsoft\Windows\CurrentVersion\Run'
  nsExec::Exec 'taskkill /IM quillane-splitw.exe'
  Sleep 1000
  DeleteRegKey SHCTX 'Software\Classes\Applications\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tif\OpenWithList\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tiff\OpenWithList\quillane.exe'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tif\OpenWithList'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tif'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tiff\OpenWithList'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tiff'
]=])
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
    # The extended description below the summary; CPack indents it as the control file wants.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Quillane takes the two-colour scans of a microarray scanner (a little-endian
16-bit TIFF with one image directory per dye channel and a private metadata
record), checks each against that layout, optionally flips every channel
along the main or the opposite diagonal, and writes one single-channel 16-bit
TIFF per channel that keeps the scanner's texts and resolution.

The package holds the desktop program, quillane, one dialog that takes files
from its Browse button, from drops and from the desktop's Open With menu, and
quillane-split, the same split for scripts and pipelines.]=])
    # Debian ships its programs without their debugging symbols.
    set(CPACK_STRIP_FILES ON)
    # The Qt 6 libraries the program links come from dpkg-shlibdeps; the platform plugins that
    # put a window on an X11 desktop are loaded at run time, so they are named here.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()

include(CPack)
