; The Windows installer: the four files under Program Files for every user
; of the PC, the service "TempService" started with Windows, a Start menu
; shortcut to the monitor, and an uninstaller listed in Apps and Features.
; Run again over an installation it upgrades it; /S installs and
; uninstalls without questions (the settings and the log are then kept);
; /METRICS=<folder> has the service write its metrics file there.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
ManifestDPIAware true
SetCompressor /SOLID lzma

!include "${PRODUCT_NSH}"
!define SERVICE_NAME "TempService"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Ardmon"
!define UNINSTALLER "Uninstall.exe"

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "WinMessages.nsh"

; What the monitor keeps beside itself when it may write there: an
; uninstallation that keeps the user's data leaves them in the folder.
!macro ForEachUserFile ACTION
  !insertmacro ${ACTION} "Ardmon.log"
  !insertmacro ${ACTION} "Ardmon.time"
  !insertmacro ${ACTION} "Ardmon.history"
  !insertmacro ${ACTION} "Ardmon.history.bad"
!macroend
!define KEPT_USER_FILES ""
!macro AddKeptUserFile NAME
  !define /redef KEPT_USER_FILES '${KEPT_USER_FILES} "${NAME}"'
!macroend
!insertmacro ForEachUserFile AddKeptUserFile

!include "monitor.nsh"
!include "service.nsh"
!include "folder.nsh"
!include "metrics.nsh"

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${COMPANY}\${PRODUCT_NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${COMPANY} ${PRODUCT_NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(RUN_MONITOR)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartMonitor

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckInstallFolderOnLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is the default; otherwise the system's language chooses.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!include "texts.nsh"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
!macro VersionKeys LANGUAGE
  VIAddVersionKey /LANG=${LANGUAGE} "ProductName" "${PRODUCT_NAME}"
  VIAddVersionKey /LANG=${LANGUAGE} "CompanyName" "${COMPANY}"
  VIAddVersionKey /LANG=${LANGUAGE} "FileDescription" "${PRODUCT_NAME} Setup"
  VIAddVersionKey /LANG=${LANGUAGE} "FileVersion" "${VERSION}"
  VIAddVersionKey /LANG=${LANGUAGE} "ProductVersion" "${VERSION}"
  VIAddVersionKey /LANG=${LANGUAGE} "LegalCopyright" "© ${COMPANY}"
!macroend
!insertmacro VersionKeys ${LANG_ENGLISH}
!insertmacro VersionKeys ${LANG_JAPANESE}

; The program files, listed once for installing and for deleting.
!macro ForEachProgramFile ACTION
  !insertmacro ${ACTION} "Ardmon.exe"
  !insertmacro ${ACTION} "ArdmonSvc.exe"
  !insertmacro ${ACTION} "ArdmonLib.dll"
  !insertmacro ${ACTION} "ArdmonProbe.exe"
!macroend
; A file that is still in use (the service's process has not ended) is
; put beside it and takes its place when Windows restarts.
!macro InstallProgramFile NAME
  ; An earlier replacement still waiting would undo this one.
  Delete "$INSTDIR\${NAME}.new"
  ClearErrors
  File "${STAGE_DIR}/${NAME}"
  ${If} ${Errors}
    File "/oname=${NAME}.new" "${STAGE_DIR}/${NAME}"
    Rename /REBOOTOK "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
  ${EndIf}
!macroend
; Deletes from the folder in $R5, with what an unfinished replacement left.
!macro DeleteProgramFile NAME
  Delete /REBOOTOK "$R5\${NAME}"
  Delete "$R5\${NAME}.new"
!macroend
; Deletes from the folder in $R5.
!macro DeleteUserFile NAME
  Delete "$R5\${NAME}"
!macroend

!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $R0
  ${If} $R0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "$(NEEDS_ADMINISTRATOR)" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
  !insertmacro ExtractFolderCheck
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
FunctionEnd

; The exit code when the installation is complete once Windows restarts.
!define EXIT_RESTART_REQUIRED 3010 ; ERROR_SUCCESS_REBOOT_REQUIRED

Section "Install"
  !insertmacro PrepareInstallFolder
  !insertmacro EndMonitor
  !insertmacro OpenService
  !insertmacro StopService

  SetOutPath "$INSTDIR"
  SetOverwrite try
  !insertmacro ForEachProgramFile InstallProgramFile
  SetOverwrite on
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  Call RemoveEarlierLocation

  !insertmacro WriteMetricsConfiguration
  !insertmacro RegisterService
  ${If} $ServiceError = 0
    !insertmacro StartService
  ${EndIf}
  !insertmacro CloseService
  ${If} $ServiceError <> 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(SERVICE_NOT_REGISTERED)" /SD IDOK
    SetErrorLevel 2
  ${ElseIf} ${RebootFlag}
    ; The service runs its earlier files, or starts with Windows.
    DetailPrint "$(RESTART_TO_FINISH)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(RESTART_TO_FINISH)" /SD IDOK
    SetErrorLevel ${EXIT_RESTART_REQUIRED}
  ${ElseIf} $ServiceState <> ${SERVICE_RUNNING}
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(SERVICE_NOT_STARTED)" /SD IDOK
    SetErrorLevel 2
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\Ardmon.exe" "" \
    "$INSTDIR\Ardmon.exe" 0 SW_SHOWNORMAL "" "$(SHORTCUT_DESCRIPTION)"
  Call WriteUninstallEntry

  ; The finish page offers it; without pages only a monitor ended above
  ; comes back.
  ${If} ${Silent}
  ${AndIf} $MonitorWasRunning = 1
    Call StartMonitor
  ${EndIf}
SectionEnd

; An installation into another folder than the earlier one leaves no
; program behind there, and the installing user's start with Windows
; follows the program.
Function RemoveEarlierLocation
  ReadRegStr $R5 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R5 == ""
  ${OrIf} $R5 == $INSTDIR
    Return
  ${EndIf}
  !insertmacro ForEachProgramFile DeleteProgramFile
  Delete /REBOOTOK "$R5\${UNINSTALLER}"
  RMDir "$R5"
  ReadRegStr $R0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $R0 != ""
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" "$INSTDIR\Ardmon.exe"
  ${EndIf}
FunctionEnd

Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Ardmon.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R0
FunctionEnd

Var KeepUserData

Section "Uninstall"
  StrCpy $KeepUserData 1
  ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "$(KEEP_USER_DATA)" /SD IDYES IDNO`
    StrCpy $KeepUserData 0
  ${EndIf}

  !insertmacro EndMonitor
  !insertmacro OpenService
  !insertmacro RemoveService
  !insertmacro CloseService
  !insertmacro RemoveMetrics

  ; The library undoes its filter registration while it is still here.
  DetailPrint "$(REMOVING_FILTER)"
  nsExec::ExecToLog '"$INSTDIR\ArdmonProbe.exe" --remove-filter'
  Pop $R0

  StrCpy $R5 "$INSTDIR"
  !insertmacro ForEachProgramFile DeleteProgramFile
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} ${RebootFlag}
    DetailPrint "$(RESTART_TO_REMOVE)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(RESTART_TO_REMOVE)" /SD IDOK
    SetErrorLevel ${EXIT_RESTART_REQUIRED}
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $KeepUserData = 0
    Call un.RemoveUserData
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $R0
  ${GetFileName} "$R0" $R1
  ${If} $R1 == "${COMPANY}"
    RMDir "$R0"
  ${EndIf}
SectionEnd

; The uninstalling user's settings, under the application title of either
; language, and the log and the graph's history, beside the program or in
; the user's local application data.
Function un.RemoveUserData
  DeleteRegKey HKCU "Software\${COMPANY}\${PRODUCT_NAME}"
  DeleteRegKey HKCU "Software\${COMPANY}\${PRODUCT_NAME_JA}"
  DeleteRegKey /ifempty HKCU "Software\${COMPANY}"
  StrCpy $R5 "$INSTDIR"
  !insertmacro ForEachUserFile DeleteUserFile
  SetShellVarContext current
  StrCpy $R0 "$LOCALAPPDATA\${COMPANY}"
  SetShellVarContext all
  StrCpy $R5 "$R0\${PRODUCT_NAME}"
  !insertmacro ForEachUserFile DeleteUserFile
  RMDir "$R0\${PRODUCT_NAME}"
  RMDir "$R0"
FunctionEnd
