; Windows installer, built by scripts/package once per program:
;   makensis -DVERSION=3.0.2.0 -DSTAGE=<folder with README.txt, LICENSE.txt, haltall.ico>
;            -DPROGRAM=<haltall.exe> -DOUTFILE=<setup.exe> [-DX64] haltall.nsi
; PROGRAM is of the setup's own machine type. With X64 the setup
; is itself a 64-bit program: it installs into the 64-bit Program Files, the
; 64-bit registry view and the 64-bit system folder, and 32-bit Windows
; refuses to start it. Without, the 32-bit setup installs the 32-bit program.
; Per-machine install, a Start-menu shortcut, the event source, an entry in
; "Programs and Features", and optionally the service and a firewall rule.
; Silent: setup.exe /S [/SERVICE] [/FIREWALL] [/LOG] [/D=folder]: exit code 0,
; 2 when the service could not be installed, 3010 when the program was in use
; and is replaced at the next restart. /LOG writes install.log beside the
; program. uninstall.exe /S _?=<folder> uninstalls in place and returns when
; done, but for its own file, which a copy in the temp folder deletes with the
; folder right after (plain /S hands over to such a copy and returns at once).

Unicode true
!ifdef X64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!ifndef VERSION | STAGE | PROGRAM | OUTFILE
  !error "VERSION, STAGE, PROGRAM and OUTFILE must be defined"
!endif

!define PRODUCT "Haltall"
!define PUBLISHER "Kevra"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Haltall"
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Haltall"
!define SERVICE_KEY "SYSTEM\CurrentControlSet\Services\Haltall"
!define FIREWALL_RULE "Haltall remote control"
!define REBOOT_NEEDED 3010  ; ERROR_SUCCESS_REBOOT_REQUIRED, as Windows Installer says it

Var Log  ; install.log's handle while /LOG is given

; A line of the details list and, with /LOG, of install.log.
!macro Note text
  DetailPrint "${text}"
  ${If} $Log != ""
    FileWrite $Log "${text}$\r$\n"
  ${EndIf}
!macroend
!define Note "!insertmacro Note"

OutFile "${OUTFILE}"
; Both setups may be installed on 64-bit Windows: their entries in
; "Programs and Features" tell them apart.
!ifdef X64
  !define DISPLAY_NAME "${PRODUCT} (64-bit)"
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  !define DISPLAY_NAME "${PRODUCT}"
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
Name "${DISPLAY_NAME} ${VERSION}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "See LICENSE.txt"

!define MUI_ICON "${STAGE}\haltall.ico"
!define MUI_UNICON "${STAGE}\haltall.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Removes the service that runs the program's copy in the system folder
; (the program stops it first) and then that copy, once the stopped service
; has let go of it (about a second). Uses $0 and $1.
Function un.RemoveService
  ReadRegStr $0 HKLM "${SERVICE_KEY}" "ImagePath"
  ${If} $0 != ""
    DetailPrint "Removing the Haltall service"
    ExecWait '"$INSTDIR\haltall.exe" -quiet -remove_service' $1
    StrCpy $1 0
    ${Do}
      ClearErrors
      Delete "$SYSDIR\haltall.exe"
      ${IfNot} ${Errors}
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
      ${If} $1 >= 20
        Delete /REBOOTOK "$SYSDIR\haltall.exe"
        ${Break}
      ${EndIf}
      Sleep 500
    ${Loop}
  ${EndIf}
FunctionEnd

Section "Haltall (required)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/LOG" $R1
  ${IfNot} ${Errors}
    FileOpen $Log "$INSTDIR\install.log" w
  ${EndIf}
  ${Note} "${DISPLAY_NAME} ${VERSION} setup: installing into $INSTDIR"

  ; A running copy (a user's window or tray) holds its file: the new one is
  ; put beside it and takes its place at the next restart.
  SetOverwrite try
  ClearErrors
  File "${PROGRAM}"
  ${If} ${Errors}
    File "/oname=$INSTDIR\haltall.exe.new" "${PROGRAM}"
    Rename /REBOOTOK "$INSTDIR\haltall.exe.new" "$INSTDIR\haltall.exe"
    ${Note} "haltall.exe is in use: it is replaced at the next restart"
  ${Else}
    Delete "$INSTDIR\haltall.exe.new"  ; what an earlier setup left for a restart
    ${Note} "Installed haltall.exe"
  ${EndIf}
  SetOverwrite on
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\haltall.exe"
  ${Note} "Installed README.txt, LICENSE.txt, uninstall.exe and the Start-menu shortcut"

  ; Event Viewer finds the texts of the program's events in its message table.
  WriteRegStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\haltall.exe"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\haltall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; In place (_?=), so that whoever runs it waits until it is done.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  ${Note} "Registered the event source and the uninstall entry"
SectionEnd

Section /o "Install as a Windows service" SecService
  ; Over an installed service (an upgrade) the program stops it, replaces its
  ; copy, keeps its saved settings and starts it again.
  ${Note} "Installing the Haltall service"
  ExecWait '"$INSTDIR\haltall.exe" -quiet -create_service' $0
  ${If} $0 != 0
    ${Note} "The Haltall service could not be installed (exit code $0)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The Haltall service could not be installed (exit code $0)." /SD IDOK
    SetErrorLevel 2
  ${Else}
    ${Note} "Installed the Haltall service"
  ${EndIf}
SectionEnd

; A rule of Windows Firewall (through its own netsh) that lets the program,
; and the service's copy, take remote-control connections on their port: the
; service's saved port, else the user's, else 3210. A firewall that does not
; take the rule (one that netsh cannot show afterwards) is reported and
; skipped; the installation goes on.
Section /o "Allow remote control through Windows Firewall" SecFirewall
  ReadRegDWORD $1 HKLM "${SERVICE_KEY}\Parameters" "remote_control_port"
  ${If} $1 == ""
    ReadRegDWORD $1 HKLM "SOFTWARE\Kevra\Haltall" "remote_control_port"
  ${EndIf}
  ${If} $1 == ""
  ${OrIf} $1 <= 0
    StrCpy $1 3210
  ${EndIf}
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}"'
  Pop $0
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow protocol=TCP localport=$1 program="$INSTDIR\haltall.exe"'
  Pop $0
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow protocol=TCP localport=$1 program="$SYSDIR\haltall.exe"'
  Pop $0
  nsExec::ExecToStack '"$SYSDIR\netsh.exe" advfirewall firewall show rule name="${FIREWALL_RULE}"'
  Pop $0
  Pop $2
  ${If} $0 == 0
  ${AndIf} $2 != ""
    ${Note} "Windows Firewall lets remote control in on TCP port $1"
  ${Else}
    ${Note} "Windows Firewall could not take the rule (netsh exit code $0): skipped"
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SERVICE" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecService}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/FIREWALL" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecFirewall}
  ${EndIf}
  ; An upgrade keeps the service that an earlier install set up.
  ReadRegStr $R1 HKLM "${SERVICE_KEY}" "ImagePath"
  ${If} $R1 != ""
    !insertmacro SelectSection ${SecService}
  ${EndIf}
FunctionEnd

; A file that is replaced at the next restart makes the exit code 3010,
; unless the run failed otherwise.
Function .onInstSuccess
  GetErrorLevel $0
  ${If} $0 < 0  ; none set: the setup ends with 0
    StrCpy $0 0
  ${EndIf}
  ${If} ${RebootFlag}
  ${AndIf} $0 == 0
    SetErrorLevel ${REBOOT_NEEDED}
    StrCpy $0 ${REBOOT_NEEDED}
  ${EndIf}
  ${Note} "Finished with exit code $0"
  ${If} $Log != ""
    FileClose $Log
  ${EndIf}
FunctionEnd

Function .onInstFailed
  ${Note} "The installation failed"
  ${If} $Log != ""
    FileClose $Log
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP=" $R1
  ${IfNot} ${Errors}
    ; The copy that an uninstaller run in place leaves behind: it waits (at
    ; most 10 s) until that one's file can be deleted, removes the folder and
    ; has itself deleted at the next restart.
    StrCpy $R2 0
    ${Do}
      ClearErrors
      Delete "$R1\uninstall.exe"
      ${IfNot} ${Errors}
      ${OrIf} $R2 >= 100
        ${Break}
      ${EndIf}
      IntOp $R2 $R2 + 1
      Sleep 100
    ${Loop}
    RMDir "$R1"
    Delete /REBOOTOK "$EXEPATH"
    SetErrorLevel 0
    Quit
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.RemoveService
  nsExec::Exec '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}"'
  Pop $0

  ; Settings are the user's: removed only when asked, kept by a silent uninstall.
  MessageBox MB_YESNO|MB_ICONQUESTION "Remove the Haltall settings as well?" /SD IDNO IDNO keep_settings
    DeleteRegKey HKCU "SOFTWARE\Kevra\Haltall"
    DeleteRegKey /ifempty HKCU "SOFTWARE\Kevra"
    DeleteRegKey HKLM "SOFTWARE\Kevra\Haltall"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Kevra"
    DeleteRegKey HKCU "SOFTWARE\Haltall"
    DeleteRegKey HKLM "SOFTWARE\Haltall"
  keep_settings:

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete /REBOOTOK "$INSTDIR\haltall.exe"
  Delete "$INSTDIR\haltall.exe.new"  ; an update that waits for a restart
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\install.log"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    SetErrorLevel ${REBOOT_NEEDED}
  ${EndIf}
  ; Run in place (_?=), the uninstaller cannot delete its own running file:
  ; a copy of it in the temp folder deletes it, and the folder, once this
  ; one has ended.
  SetOutPath $TEMP
  ClearErrors
  Delete "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    CopyFiles /SILENT "$EXEPATH" "$TEMP\haltall-cleanup.exe"
    Exec '"$TEMP\haltall-cleanup.exe" /S /CLEANUP="$INSTDIR" _?=$TEMP'
  ${Else}
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
SectionEnd
