# Packages a lab can install, made with CPack from the install rules:
#   Linux:   two .debs from one build (cpack -G DEB): quillane-split, the console program with
#            its manual page and the watch's user unit, which needs neither Qt nor X and is what
#            a server installs; and quillane, the window with its desktop entry, icon and manual
#            page, which depends on the first
#   Windows: a zip of quillane.exe, quillane-split.exe, the README and the licence, and an NSIS
#            installer with a Start-menu entry and an uninstaller (cpack -G "ZIP;NSIS")
# scripts/package builds them all.
include(GNUInstallDirs)

if(WIN32)
    # A README for the people who use the program, with Windows' line ends (Notepad's of old
    # shows one long line without them).
    configure_file(packaging/windows/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
else()
    # What Debian asks of every package's documentation folder: the licence in the machine-readable
    # copyright file, and the changelog compressed (gzip -9n: the same bytes on every build).
    configure_file(packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
        COMMAND ${QUILLANE_GZIP} -9n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
        DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog)
    add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
    # Each package has its own documentation folder.
    set(components split window)
    set(packages quillane-split quillane)
    foreach(component package IN ZIP_LISTS components packages)
        install(FILES README.md packaging/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
    endforeach()
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
    # Beside it, the console program's manual page.
    set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  CreateShortCut '$SMPROGRAMS\$STARTMENU_FOLDER\quillane-split manual.lnk' '$INSTDIR\quillane-split.html'
]=])
    set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete '$SMPROGRAMS\$MUI_TEMP\quillane-split manual.lnk'
]=])
    set(CPACK_NSIS_PACKAGE_NAME Quillane)
    set(CPACK_NSIS_DISPLAY_NAME Quillane)
    set(CPACK_NSIS_INSTALLED_ICON_NAME quillane.exe)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/ui/resources/quillane.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/src/ui/resources/quillane.ico)
    # A 64-bit installer for a 64-bit program: it installs into the 64-bit Program Files and
    # runs where Windows (or Wine) has no 32-bit layer. CPack's uninstaller removes its own key
    # under the vendor's, which the installer made too, only after the commands below: the
    # vendor's key goes once the uninstaller has succeeded, when nothing else is in it.
    set(CPACK_NSIS_DEFINES "
Target amd64-unicode
!finalize 'sh $\\\"${PROJECT_SOURCE_DIR}/packaging/windows/sign.sh$\\\" $\\\"%1$\\\"'
!uninstfinalize 'sh $\\\"${PROJECT_SOURCE_DIR}/packaging/windows/sign.sh$\\\" $\\\"%1$\\\"'
!include FileFunc.nsh
!include '${PROJECT_SOURCE_DIR}/packaging/windows/Watch.nsh'
!include '${PROJECT_SOURCE_DIR}/packaging/windows/Path.nsh'
!include '${PROJECT_SOURCE_DIR}/packaging/windows/SharedKeys.nsh'
Function un.onUninstSuccess
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\\Velmora Technologies'
  Call un.RemoveMadeSharedKeys
FunctionEnd")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # CPack's NSIS template with an explicit scope (packaging/windows/NSIS.template.in):
    # /AllUsers or /CurrentUser, or the installer's page that asks.
    set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/packaging/windows)
    # A second installation replaces the first rather than sitting beside it; the first section
    # below does it, after noting the watch the user has, so that the watch survives.
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
    # "Open with" for .tif and .tiff files, beside whatever program opens them by default, for
    # the users the installation is for (SHCTX); the uninstaller takes the entries away again.
    # Single quotes and NSIS's $\" for a double quote: CPack does not carry double quotes through
    # to the script. Last, with the program in place, the watch (if any) starts.
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe' 'FriendlyAppName' 'Quillane'
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\shell\open\command' '' '$\"$INSTDIR\quillane.exe$\" $\"%1$\"'
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\SupportedTypes' '.tif' ''
  WriteRegStr SHCTX 'Software\Classes\Applications\quillane.exe\SupportedTypes' '.tiff' ''
  WriteRegStr SHCTX 'Software\Classes\.tif\OpenWithList\quillane.exe' '' ''
  WriteRegStr SHCTX 'Software\Classes\.tiff\OpenWithList\quillane.exe' '' ''
  StrCmp $PathKept 1 path
  SectionGetFlags ${SectionPath} $0
  IntOp $0 $0 & ${SF_SELECTED}
  IntCmp $0 ${SF_SELECTED} path
  ClearErrors
  ${GetOptions} $CMDLINE '/PATH' $0
  IfErrors +2
  path:
    Call QuillaneAddToPath
  StrCmp $WatchCommand '' +2
    Exec $WatchCommand
]=])
    # An option, off unless chosen: quillane-splitw.exe, quillane-split without a console window,
    # started now and at each logon of the user who installs (their Run value) to split each
    # scan that arrives in a folder chosen on the page after it, which the installer creates. A
    # silent installation takes the folder as /WATCH=<folder>; without one, the watch an earlier
    # installation had is kept. Another option puts quillane-split.exe on PATH (/PATH), and an
    # upgrade keeps that too.
    set(CPACK_NSIS_COMPONENT_SECTIONS [=[
Section '-Replace the earlier installation'
  Call KeepEarlierWatch
  ReadRegStr $0 SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneAddedToPath'
  StrCmp $0 '' +2
    StrCpy $PathKept 1
  Call RemoveEarlierInstallation
  Call NoteMissingSharedKeys
SectionEnd
Section /o 'Split the scans of a folder at logon' SectionWatch
SectionEnd
Section /o 'Put quillane-split.exe on PATH' SectionPath
SectionEnd
Section '-Watch at logon'
  SectionGetFlags ${SectionWatch} $0
  IntOp $0 $0 & ${SF_SELECTED}
  IntCmp $0 ${SF_SELECTED} watch
  Call WatchOption
  StrCmp $R9 '' keep
  StrCpy $WatchFolder $R9
  watch:
  CreateDirectory $WatchFolder
  Call MakeWatchCommand
  keep:
  StrCmp $WatchCommand '' +2
    Call WriteWatch
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
  !define MUI_DIRECTORYPAGE_TEXT_TOP 'From now on and at each of your logons, each scan written into this folder is split into its Red and Green files beside it, by quillane-splitw.exe, without a window. The folder is created if it is not there.'
  !define MUI_DIRECTORYPAGE_TEXT_DESTINATION 'Scan folder'
  !define MUI_DIRECTORYPAGE_VARIABLE $WatchFolder
  !insertmacro MUI_PAGE_DIRECTORY]=])
    # The uninstaller takes away every key the installer made, the parents it made empty included,
    # and leaves a parent that holds anything else (another program's types and choices, or a
    # Run key that was there before). A watch still running is asked to stop (taskkill closes
    # its hidden window) so that it can be removed.
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  !insertmacro RemoveWatch
  Call un.QuillaneRemoveFromPath
  Call un.ReadMadeSharedKeys
  DeleteRegKey SHCTX 'Software\Classes\Applications\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tif\OpenWithList\quillane.exe'
  DeleteRegKey SHCTX 'Software\Classes\.tiff\OpenWithList\quillane.exe'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tif\OpenWithList'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tif'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tiff\OpenWithList'
  DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\.tiff'
]=])
    # The package check builds an uninstaller that does one thing more (cpack -D
    # QUILLANE_UNINSTALL_ALSO=<NSIS lines>), to see that the check catches it.
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/windows/CPackOptions.cmake)
    # Signed when a certificate is configured (packaging/windows/sign.sh): every program before
    # it is packed; the installer and the uninstaller it carries as makensis writes them.
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/windows/SignPrograms.cmake)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL split window)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_SOURCE quillane)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
    # Each package's description begins with its own synopsis: CPack puts the summary in front
    # of a description unless the summary is its own default, "<project> built using CMake".
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")
    set(CPACK_DEBIAN_SPLIT_PACKAGE_NAME quillane-split)
    set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME quillane)
    # The extended descriptions below the summaries; CPack indents them as the control file wants.
    set(about [=[Quillane takes the two-colour scans of a microarray scanner (a little-endian
16-bit TIFF with one image directory per dye channel and a private metadata
record), checks each against that layout, optionally flips every channel
along the main or the opposite diagonal, and writes one single-channel 16-bit
TIFF per channel that keeps the scanner's texts and resolution.]=])
    set(CPACK_DEBIAN_SPLIT_DESCRIPTION "Splits microarray scanner TIFFs into one TIFF per dye channel (console)
${about}

This package holds quillane-split, the split for scripts, pipelines and
workflow engines, and a systemd user unit that splits each scan arriving in a
folder. It needs no desktop.")
    set(CPACK_DEBIAN_WINDOW_DESCRIPTION "${PROJECT_DESCRIPTION}
${about}

This package holds the desktop program, quillane, one dialog that takes files
from its Browse button, from drops and from the desktop's Open With menu.")
    # Debian ships its programs without their debugging symbols.
    set(CPACK_STRIP_FILES ON)
    # The libraries each program links come from dpkg-shlibdeps. The window depends on the
    # console package of its own version (and on the platform plugins that put it on an X11
    # desktop, which Qt loads at run time, so they are named here).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
    set(CPACK_COMPONENT_WINDOW_DEPENDS split)
    set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "qt6-qpa-plugins")
    # quillane-split was once part of the package quillane: an upgrade moves its files over.
    set(CPACK_DEBIAN_SPLIT_PACKAGE_BREAKS "quillane (<< ${PROJECT_VERSION})")
    set(CPACK_DEBIAN_SPLIT_PACKAGE_REPLACES "quillane (<< ${PROJECT_VERSION})")
endif()

include(CPack)
