; The watch at logon: quillane-splitw.exe --watch <folder>, started from the Run value of the
; user who asked for it. Included by the installer CPack makes (see cmake/Packaging.cmake).
;
; Forms of /WATCH= a shell or a deployment tool hands over, each giving the folder D:\Lab Scans
; (or D:\ for a drive root):
;   /WATCH=D:\                  /WATCH="D:\Lab Scans"          "/WATCH=D:\Lab Scans"
;   /WATCH=D:\Lab Scans /S      (unquoted: up to the next option)

!define QUILLANE_RUN_KEY 'Software\Microsoft\Windows\CurrentVersion\Run'
!define QUILLANE_WATCH_VALUE 'Quillane split watch'
!define QUILLANE_UNINSTALL_KEY 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillane'

Var WatchFolder   ; the folder chosen on the page or given as /WATCH=
Var WatchCommand  ; the Run value's command, kept from an earlier installation or made anew

; $R9 := the folder given as /WATCH=, or '' when there is none.
Function WatchOption
  ${GetParameters} $R0
  StrCpy $R9 ''
  StrLen $R1 $R0
  StrCpy $R2 0
  find:
    IntCmp $R2 $R1 end 0 end
    StrCpy $R3 $R0 7 $R2
    StrCmp $R3 '/WATCH=' found
    IntOp $R2 $R2 + 1
    Goto find
  found:
    ; $R4 is '"' when the value ends at a quote: the whole option or its value is quoted.
    StrCpy $R4 ''
    IntCmp $R2 0 value
    IntOp $R5 $R2 - 1
    StrCpy $R6 $R0 1 $R5
    StrCmp $R6 '"' 0 value
      StrCpy $R4 '"'
  value:
    IntOp $R2 $R2 + 7
    StrCmp $R4 '"' copy
    StrCpy $R6 $R0 1 $R2
    StrCmp $R6 '"' 0 copy
      StrCpy $R4 '"'
      IntOp $R2 $R2 + 1
  copy:
    IntCmp $R2 $R1 end 0 end
    StrCpy $R6 $R0 1 $R2
    StrCmp $R4 '"' 0 unquoted
      StrCmp $R6 '"' end take
    unquoted:
      StrCmp $R6 ' ' 0 take
      IntOp $R5 $R2 + 1
      StrCpy $R7 $R0 1 $R5
      StrCmp $R7 '/' end take
    take:
      StrCpy $R9 '$R9$R6'
      IntOp $R2 $R2 + 1
      Goto copy
  end:
  ; Spaces a shell left after an unquoted value are no part of a folder's name.
  trim:
    StrCpy $R6 $R9 1 -1
    StrCmp $R6 ' ' 0 +3
      StrCpy $R9 $R9 -1
      Goto trim
FunctionEnd

; $WatchCommand := the command that watches $WatchFolder. The folder is quoted as Windows splits a
; command line: backslashes before the closing quote are doubled, so that D:\ arrives as D:\
; and not as D:" .
Function MakeWatchCommand
  StrCpy $R8 $WatchFolder
  StrCpy $R7 $WatchFolder
  double:
    StrCpy $R6 $R7 1 -1
    StrCmp $R6 '\' 0 quoted
    StrCpy $R8 '$R8\'
    StrCpy $R7 $R7 -1
    Goto double
  quoted:
  StrCpy $WatchCommand '"$INSTDIR\quillane-splitw.exe" --watch "$R8"'
FunctionEnd

; Before an earlier installation is removed: $WatchCommand := its user's watch, pointed at the
; program as installed now (the folder argument as it was written).
Function KeepEarlierWatch
  ReadRegStr $R0 HKCU '${QUILLANE_RUN_KEY}' '${QUILLANE_WATCH_VALUE}'
  ; Earlier versions wrote the value for every user in an installation for all.
  StrCmp $R0 '' 0 +2
    ReadRegStr $R0 HKLM '${QUILLANE_RUN_KEY}' '${QUILLANE_WATCH_VALUE}'
  StrCmp $R0 '' none
  Push $R0
  Push ' --watch '
  Call SubstringFrom
  Pop $R1
  StrCmp $R1 '' none
  ; Earlier versions wrote a drive root as "D:\", which reached the program as D:" .
  StrCpy $R2 $R1 2 -2
  StrCpy $R3 $R1 3 -3
  StrCmp $R2 '\"' 0 repaired
  StrCmp $R3 '\\"' repaired
    StrCpy $R1 $R1 -1
    StrCpy $R1 '$R1\"'
  repaired:
  StrCpy $WatchCommand '"$INSTDIR\quillane-splitw.exe"$R1'
  none:
FunctionEnd

; Removes an earlier installation (for this user or for all) with its own uninstaller, silently
; and in place, before the files are replaced.
Function RemoveEarlierInstallation
  ReadRegStr $R0 HKLM '${QUILLANE_UNINSTALL_KEY}' 'UninstallString'
  StrCmp $R0 '' 0 +2
    ReadRegStr $R0 HKCU '${QUILLANE_UNINSTALL_KEY}' 'UninstallString'
  StrCmp $R0 '' none
  ; The command is the uninstaller's quoted path.
  StrCpy $R1 $R0 1
  StrCmp $R1 '"' 0 +2
    StrCpy $R0 $R0 -1 1
  ${GetParent} $R0 $R1
  IfFileExists $R0 0 none
  ExecWait '"$R0" /S _?=$R1'
  ; Run in place, the earlier uninstaller cannot remove itself.
  Delete $R0
  RMDir $R1
  none:
FunctionEnd

; Writes the watch into the user's Run value and starts it. A Run key the installer had to make
; is noted, so that the uninstaller takes away only what was added.
Function WriteWatch
  ; EnumRegKey fails only for a key that is not there (EnumRegValue fails for an empty one too).
  ClearErrors
  EnumRegKey $R0 HKCU '${QUILLANE_RUN_KEY}' 0
  IfErrors 0 +2
    WriteRegDWORD SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeRunKey' 1
  WriteRegStr HKCU '${QUILLANE_RUN_KEY}' '${QUILLANE_WATCH_VALUE}' $WatchCommand
FunctionEnd

; The uninstaller's part: the user's watch stopped and its Run value removed (and one an earlier
; version wrote for all users); the Run key only if the installer made it and it is empty.
!macro RemoveWatch
  nsExec::Exec 'taskkill /IM quillane-splitw.exe'
  Sleep 1000
  DeleteRegValue HKCU '${QUILLANE_RUN_KEY}' '${QUILLANE_WATCH_VALUE}'
  DeleteRegValue HKLM '${QUILLANE_RUN_KEY}' '${QUILLANE_WATCH_VALUE}'
  ReadRegDWORD $R0 SHCTX '${QUILLANE_UNINSTALL_KEY}' 'QuillaneMadeRunKey'
  IntCmp $R0 1 0 +2 +2
    DeleteRegKey /ifempty HKCU '${QUILLANE_RUN_KEY}'
!macroend
