; The install folder. The service loads ArdmonLib.dll from it as SYSTEM,
; so nobody but administrators and the system may change what is in it,
; nor delete or rename it or any folder above it: whoever may rename a
; folder on the way may put their own programs in its place. The
; installer's ArdmonFolderCheck (folder_check.cpp) judges the folders and
; gives the install folder its owner and access list; the reasons of its
; exit code are numbered in folder_check_codes.h.

!define FOLDER_CHECK "ArdmonFolderCheck.exe"
!searchparse /file "${__FILEDIR__}/folder_check_codes.h" "kRefusedStep = " REFUSED_STEP ";"
!macro FolderReason NAME CONSTANT
  !searchparse /file "${__FILEDIR__}/folder_check_codes.h" "${CONSTANT} = " ${NAME} ","
!macroend
!insertmacro FolderReason REASON_FOREIGN_OWNER kReasonForeignOwner
!insertmacro FolderReason REASON_OTHERS_MAY_CHANGE_SECURITY kReasonOthersMayChangeSecurity
!insertmacro FolderReason REASON_OTHERS_MAY_DELETE kReasonOthersMayDelete
!insertmacro FolderReason REASON_OTHERS_MAY_DELETE_INSIDE kReasonOthersMayDeleteInside
!insertmacro FolderReason REASON_IS_LINK kReasonIsLink
!insertmacro FolderReason REASON_NOT_A_FOLDER kReasonNotAFolder
!insertmacro FolderReason REASON_NOT_EMPTY kReasonNotEmpty
!insertmacro FolderReason REASON_UNREADABLE kReasonUnreadable
!insertmacro FolderReason REASON_NOT_PROTECTED kReasonNotProtected
!insertmacro FolderReason REASON_NOT_ON_A_DRIVE kReasonNotOnADrive

; The installer's exit code when it installs nothing because of the folder.
!define EXIT_FOLDER_REFUSED 3

Var RefusedFolder  ; the folder that is refused
Var RefusedWhy     ; why, in the user's language

; Into the installer's temporary folder, before the pages.
!macro ExtractFolderCheck
  InitPluginsDir
  File "/oname=$PLUGINSDIR\${FOLDER_CHECK}" "${STAGE_DIR}/${FOLDER_CHECK}"
!macroend

; Runs the check with COMMAND ("check" or "prepare") on $INSTDIR; $R0 is
; 0 when the folder may be used, else $RefusedWhy says why. Uses $R1 to
; $R3.
!macro RunFolderCheck COMMAND
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  nsExec::Exec '"$PLUGINSDIR\${FOLDER_CHECK}" ${COMMAND} "$INSTDIR" "$R1" ${KEPT_USER_FILES}'
  Pop $R0
  ${If} $R0 != "0"
    Call ExplainRefusal
  ${EndIf}
!macroend

; $RefusedFolder and $RefusedWhy from the exit code in $R0.
Function ExplainRefusal
  IntOp $R1 $R0 / ${REFUSED_STEP}
  IntOp $R2 $R0 % ${REFUSED_STEP}
  StrCpy $RefusedFolder $INSTDIR
  ${For} $R3 1 $R2
    ${GetParent} $RefusedFolder $RefusedFolder
  ${Next}
  StrCpy $R3 $RefusedFolder "" -1
  ${If} $R3 == ":"
    StrCpy $RefusedFolder "$RefusedFolder\"
  ${EndIf}
  ${Switch} $R1
    ${Case} ${REASON_FOREIGN_OWNER}
      StrCpy $RefusedWhy "$(FOLDER_FOREIGN_OWNER)"
      ${Break}
    ${Case} ${REASON_OTHERS_MAY_CHANGE_SECURITY}
      StrCpy $RefusedWhy "$(FOLDER_OTHERS_MAY_CHANGE_SECURITY)"
      ${Break}
    ${Case} ${REASON_OTHERS_MAY_DELETE}
      StrCpy $RefusedWhy "$(FOLDER_OTHERS_MAY_DELETE)"
      ${Break}
    ${Case} ${REASON_OTHERS_MAY_DELETE_INSIDE}
      StrCpy $RefusedWhy "$(FOLDER_OTHERS_MAY_DELETE_INSIDE)"
      ${Break}
    ${Case} ${REASON_IS_LINK}
      StrCpy $RefusedWhy "$(FOLDER_IS_LINK)"
      ${Break}
    ${Case} ${REASON_NOT_A_FOLDER}
      StrCpy $RefusedWhy "$(FOLDER_NOT_A_FOLDER)"
      ${Break}
    ${Case} ${REASON_NOT_EMPTY}
      StrCpy $RefusedWhy "$(FOLDER_NOT_EMPTY)"
      ${Break}
    ${Case} ${REASON_UNREADABLE}
      StrCpy $RefusedWhy "$(FOLDER_UNREADABLE)"
      ${Break}
    ${Case} ${REASON_NOT_PROTECTED}
      StrCpy $RefusedWhy "$(FOLDER_NOT_PROTECTED)"
      ${Break}
    ${Case} ${REASON_NOT_ON_A_DRIVE}
      StrCpy $RefusedWhy "$(FOLDER_NOT_ON_A_DRIVE)"
      ${Break}
    ${Default}
      StrCpy $RefusedFolder $INSTDIR
      StrCpy $RefusedWhy "$(FOLDER_NOT_CHECKED)"
  ${EndSwitch}
FunctionEnd

; The directory page lets the user choose another folder.
Function CheckInstallFolderOnLeave
  !insertmacro RunFolderCheck check
  ${If} $R0 != "0"
    MessageBox MB_OK|MB_ICONSTOP "$(FOLDER_REFUSED)"
    Abort
  ${EndIf}
FunctionEnd

; Before anything else is changed: without pages nobody chose the folder
; on the directory page, and what was checked there may have changed.
!macro PrepareInstallFolder
  !insertmacro RunFolderCheck prepare
  ${If} $R0 != "0"
    MessageBox MB_OK|MB_ICONSTOP "$(FOLDER_REFUSED)" /SD IDOK
    SetErrorLevel ${EXIT_FOLDER_REFUSED}
    Quit
  ${EndIf}
!macroend
