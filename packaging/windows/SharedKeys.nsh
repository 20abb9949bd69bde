; Keys that hold other programs' entries too (Software\Classes, its Applications, the list of
; uninstallers), which the installer makes only where they are missing (a new user's HKCU): the
; installer notes which it made, and the uninstaller takes those away again once they are empty,
; and no other. Included by the installer CPack makes (see cmake/Packaging.cmake).

!define QUILLANE_UNINSTALL_LIST 'Software\Microsoft\Windows\CurrentVersion\Uninstall'

Var MadeClasses
Var MadeApplications
Var MadeUninstallList

; $R0 := 1 when SHCTX has no KEY (EnumRegKey fails only then), else 0.
!macro QuillaneKeyMissing KEY
  StrCpy $R0 0
  ClearErrors
  EnumRegKey $R1 SHCTX '${KEY}' 0
  IfErrors 0 +2
    StrCpy $R0 1
!macroend

; Before anything is written.
Function NoteMissingSharedKeys
  !insertmacro QuillaneKeyMissing 'Software\Classes'
  StrCpy $MadeClasses $R0
  !insertmacro QuillaneKeyMissing 'Software\Classes\Applications'
  StrCpy $MadeApplications $R0
  !insertmacro QuillaneKeyMissing '${QUILLANE_UNINSTALL_LIST}'
  StrCpy $MadeUninstallList $R0
  WriteRegDWORD SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeClasses' $MadeClasses
  WriteRegDWORD SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeApplications' $MadeApplications
  WriteRegDWORD SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeUninstallList' $MadeUninstallList
FunctionEnd

; In the uninstaller, before its own key goes.
Function un.ReadMadeSharedKeys
  ReadRegDWORD $MadeClasses SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeClasses'
  ReadRegDWORD $MadeApplications SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeApplications'
  ReadRegDWORD $MadeUninstallList SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeUninstallList'
FunctionEnd

; Once the uninstaller has succeeded, children first.
Function un.RemoveMadeSharedKeys
  IntCmp $MadeApplications 1 0 +2 +2
    DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes\Applications'
  IntCmp $MadeClasses 1 0 +2 +2
    DeleteRegKey /ifnosubkeys /ifnovalues SHCTX 'Software\Classes'
  IntCmp $MadeUninstallList 1 0 +2 +2
    DeleteRegKey /ifnosubkeys /ifnovalues SHCTX '${QUILLANE_UNINSTALL_LIST}'
FunctionEnd
