; Windows installer, built by scripts/package once per program:
;   makensis -DVERSION=3.0.2.0 -DSTAGE=<folder with README.txt, LICENSE.txt, haltall.ico>
;            -DPROGRAM=<haltall.exe> -DOUTFILE=<setup.exe> [-DX64] haltall.nsi
; PROGRAM is of the setup's own machine type. With X64 the setup
; is itself a 64-bit program: it installs into the 64-bit Program Files, the
; 64-bit registry view and the 64-bit system folder, and 32-bit Windows
; refuses to start it. Without, the 32-bit setup installs the 32-bit program.
; Per-machine install, a Start-menu shortcut, the event source, an entry in
; "Programs and Features", and optionally the service.
; Silent: setup.exe /S [/SERVICE] [/D=folder]; uninstall.exe /S.

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
  File "${PROGRAM}"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\haltall.exe"

  ; Event Viewer finds the texts of the program's events in its message table.
  WriteRegStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\haltall.exe"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\haltall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Install as a Windows service" SecService
  ; Over an installed service (an upgrade) the program stops it, replaces its
  ; copy, keeps its saved settings and starts it again.
  DetailPrint "Installing the Haltall service"
  ExecWait '"$INSTDIR\haltall.exe" -quiet -create_service' $0
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "The Haltall service could not be installed (exit code $0)." /SD IDOK
    SetErrorLevel 2
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
  ; An upgrade keeps the service that an earlier install set up.
  ReadRegStr $R1 HKLM "${SERVICE_KEY}" "ImagePath"
  ${If} $R1 != ""
    !insertmacro SelectSection ${SecService}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  Call un.RemoveService

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
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
