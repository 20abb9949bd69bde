; quillane-split.exe on PATH, when chosen (the component, or /PATH in a silent installation):
; the installation's folder added to the PATH of the users the installation is for (the
; machine's for all users, the user's own otherwise), and exactly that entry taken away again by
; the uninstaller. Included by the installer CPack makes (see cmake/Packaging.cmake).
;
; A PATH is never shortened: one longer than NSIS can hold is left as it is, and the installer
; says that it did not add the folder.

!include WinMessages.nsh

!define QUILLANE_MACHINE_ENVIRONMENT 'SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
!define QUILLANE_USER_ENVIRONMENT 'Environment'

Var PathKept  ; '1' when an earlier installation had put its folder on PATH

; $R0 := the PATH value of the scope $SV_ALLUSERS names ('AllUsers' or not), '' when there is
; none; the error flag is set when there is one that cannot be read whole. $R7 := the longest
; text NSIS holds whole.
!macro QuillaneReadPath un
  IntOp $R7 ${NSIS_MAX_STRLEN} - 1
  ClearErrors
  StrCmp $SV_ALLUSERS 'AllUsers' machine
    ReadRegStr $R0 HKCU '${QUILLANE_USER_ENVIRONMENT}' 'Path'
    Goto read
  machine:
    ReadRegStr $R0 HKLM '${QUILLANE_MACHINE_ENVIRONMENT}' 'Path'
  read:
  IfErrors 0 whole
    ; A value that is there and could not be read is too long.
    ClearErrors
    Call ${un}QuillanePathExists
    Goto checked
  whole:
    StrLen $R1 $R0
    IntCmp $R1 $R7 0 checked 0
    SetErrors
  checked:
!macroend

!macro QuillanePathWrite
  StrCmp $SV_ALLUSERS 'AllUsers' machine_write
    WriteRegExpandStr HKCU '${QUILLANE_USER_ENVIRONMENT}' 'Path' $R0
    Goto written
  machine_write:
    WriteRegExpandStr HKLM '${QUILLANE_MACHINE_ENVIRONMENT}' 'Path' $R0
  written:
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 'STR:Environment' /TIMEOUT=5000
!macroend

; Sets the error flag when the scope's PATH value exists.
!macro QuillanePathExistsFunction un
Function ${un}QuillanePathExists
  StrCpy $R2 0
  next:
    StrCmp $SV_ALLUSERS 'AllUsers' machine
      EnumRegValue $R3 HKCU '${QUILLANE_USER_ENVIRONMENT}' $R2
      Goto compare
    machine:
      EnumRegValue $R3 HKLM '${QUILLANE_MACHINE_ENVIRONMENT}' $R2
    compare:
    StrCmp $R3 '' absent
    StrCmp $R3 'Path' found
    IntOp $R2 $R2 + 1
    Goto next
  ; EnumRegValue past the last value sets the error flag too.
  absent:
    ClearErrors
    Goto done
  found:
    SetErrors
  done:
FunctionEnd
!macroend
!insertmacro QuillanePathExistsFunction ''
!insertmacro QuillanePathExistsFunction 'un.'

; Adds $INSTDIR to PATH unless it is there, and notes for the uninstaller what it did.
Function QuillaneAddToPath
  !insertmacro QuillaneReadPath ''
  IfErrors long
  StrLen $R1 '$R0;$INSTDIR'
  IntCmp $R1 $R7 long 0 long
  Push ';$R0;'
  Push ';$INSTDIR;'
  Call SubstringFrom
  Pop $R1
  StrCmp $R1 '' 0 done
  StrCmp $R0 '' 0 append
    WriteRegDWORD SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadePath' 1
    StrCpy $R0 $INSTDIR
    Goto write
  append:
    StrCpy $R0 '$R0;$INSTDIR'
  write:
  !insertmacro QuillanePathWrite
  WriteRegStr SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneAddedToPath' $INSTDIR
  WriteRegStr SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillanePathScope' $SV_ALLUSERS
  Goto done
  long:
    DetailPrint 'PATH is too long to be changed safely: $INSTDIR was not added to it.'
  done:
FunctionEnd

; Takes away the one entry the installer added, wherever it stands in PATH now.
Function un.QuillaneRemoveFromPath
  ReadRegStr $R5 SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneAddedToPath'
  StrCmp $R5 '' done
  ReadRegStr $SV_ALLUSERS SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillanePathScope'
  !insertmacro QuillaneReadPath 'un.'
  IfErrors done
  ; In ";PATH;" the entry stands as ";entry;": what is before it and what is after it remain.
  StrCpy $R2 ';$R0;'
  Push $R2
  Push ';$R5;'
  Call un.SubstringFrom
  Pop $R3
  StrCmp $R3 '' done
  StrLen $R1 $R2
  StrLen $R4 $R3
  IntOp $R1 $R1 - $R4
  StrLen $R4 ';$R5'
  StrCpy $R2 $R2 $R1
  StrCpy $R3 $R3 '' $R4
  StrCpy $R0 '$R2$R3' -1 1
  ; A PATH the installer made, and that holds nothing else, goes.
  StrCmp $R0 '' 0 write
  ReadRegDWORD $R6 SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadePath'
  IntCmp $R6 1 0 write write
    StrCmp $SV_ALLUSERS 'AllUsers' +3
      DeleteRegValue HKCU '${QUILLANE_USER_ENVIRONMENT}' 'Path'
      Goto done
      DeleteRegValue HKLM '${QUILLANE_MACHINE_ENVIRONMENT}' 'Path'
      Goto done
  write:
  !insertmacro QuillanePathWrite
  done:
FunctionEnd
