; The monitor Ardmon.exe, a single copy per session whose main window has
; the class "CVormakDlg".

!define MONITOR_CLASS "CVormakDlg"
; The tray menu's Exit: the monitor saves its log, removes its icons and
; ends.
!define MONITOR_EXIT_COMMAND 32778
!define MONITOR_EXIT_WAIT_MS 10000

Var MonitorWasRunning

; Ends the monitor so that its files can be replaced or deleted: the copy
; of this session through its Exit command, then any copy still running
; (another user's, or one held by an open message box) by force.
; Uses $R0 to $R2.
!macro EndMonitor
  StrCpy $MonitorWasRunning 0
  FindWindow $R0 "${MONITOR_CLASS}"
  ${If} $R0 <> 0
    StrCpy $MonitorWasRunning 1
    DetailPrint "$(ENDING_MONITOR)"
    System::Call 'user32::GetWindowThreadProcessId(p $R0, *i .R1)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i $R1) p .R2'
    System::Call 'user32::PostMessageW(p $R0, i ${WM_COMMAND}, p ${MONITOR_EXIT_COMMAND}, p 0)'
    ${If} $R2 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p $R2, i ${MONITOR_EXIT_WAIT_MS})'
      System::Call 'kernel32::CloseHandle(p $R2)'
    ${EndIf}
  ${EndIf}
  ; Deliberately unchecked: it fails when no copy is left.
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM Ardmon.exe'
  Pop $R0
!macroend

; Starts the monitor for the user at the desktop without the installer's
; administrator rights, which would keep the notification area's clicks
; from reaching it: the desktop's shell starts it.
Function StartMonitor
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\Ardmon.exe"'
FunctionEnd
