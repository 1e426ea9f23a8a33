; The service "TempService" in the service control manager. Registration,
; start, stop and removal go through advapi32 (the System plug-in): they
; need the exact state, and a service an earlier version left is
; reconfigured. Its description and recovery actions go through sc.exe,
; which builds their structures. The macros work on the open $Service and
; use $R0 to $R4 as scratch.

!define SC_MANAGER_ALL_ACCESS 0xF003F
!define SERVICE_ALL_ACCESS 0xF01FF
!define SERVICE_WIN32_OWN_PROCESS 0x10
!define SERVICE_AUTO_START 2
!define SERVICE_ERROR_NORMAL 1
!define SERVICE_CONTROL_STOP 1
!define SERVICE_STOPPED 1
!define SERVICE_RUNNING 4
!define SYNCHRONIZE 0x100000
; SERVICE_STATUS_PROCESS: nine 32-bit fields.
!define SERVICE_STATUS_PROCESS_SIZE 36
; Bound of the wait for a start, in steps of 100 ms.
!define SERVICE_WAIT_STEPS 300
; A stop is waited for while the service's check point advances: as long
; as its wait hint between two advances, at least SERVICE_STILL_STEPS, and
; at most SERVICE_STOP_STEPS in all. Its process then has
; SERVICE_PROCESS_WAIT_MS to end.
!define SERVICE_STILL_STEPS 30
!define SERVICE_STOP_STEPS 1200
!define SERVICE_PROCESS_WAIT_MS 10000

; Crashes restart it after 5 s, 5 s and 1 min; a day without one resets
; the count.
!define SERVICE_RECOVERY "reset= 86400 actions= restart/5000/restart/5000/restart/60000"

Var ServiceManager
Var Service         ; 0 when the service does not exist
Var ServiceState    ; a SERVICE_* state; 0 when it cannot be read
Var ServiceProcess  ; the id of its process; 0 when none
Var ServiceError    ; why the registration failed; 0 when it worked
Var ServiceCheckPoint
Var ServiceWaitHint ; in ms
Var StopCheckPoint  ; the check point the stop has seen last

!macro OpenService
  System::Call 'advapi32::OpenSCManagerW(p 0, p 0, i ${SC_MANAGER_ALL_ACCESS}) p .R0'
  StrCpy $ServiceManager $R0
  System::Call 'advapi32::OpenServiceW(p $ServiceManager, w "${SERVICE_NAME}", \
    i ${SERVICE_ALL_ACCESS}) p .R0'
  StrCpy $Service $R0
!macroend

!macro CloseService
  ${If} $Service P<> 0
    System::Call 'advapi32::CloseServiceHandle(p $Service)'
    StrCpy $Service 0
  ${EndIf}
  System::Call 'advapi32::CloseServiceHandle(p $ServiceManager)'
!macroend

!macro QueryService
  StrCpy $ServiceState 0
  StrCpy $ServiceProcess 0
  System::Alloc ${SERVICE_STATUS_PROCESS_SIZE}
  Pop $R0
  System::Call 'advapi32::QueryServiceStatusEx(p $Service, i 0, p $R0, \
    i ${SERVICE_STATUS_PROCESS_SIZE}, *i .R1) i .R1'
  ${If} $R1 <> 0
    System::Call '*$R0(i, i, i, i, i, i .R1, i .R2)'
    StrCpy $ServiceCheckPoint $R1
    StrCpy $ServiceWaitHint $R2
    System::Call '*$R0(i, i .R1, i, i, i, i, i, i .R2)'
    StrCpy $ServiceState $R1
    StrCpy $ServiceProcess $R2
  ${EndIf}
  System::Free $R0
!macroend

; Polls until the service is in STATE or the time is up; $ServiceState
; tells which.
!macro WaitForServiceState STATE
  StrCpy $R3 0
  ${Do}
    !insertmacro QueryService
    ${If} $ServiceState = ${STATE}
    ${OrIf} $R3 >= ${SERVICE_WAIT_STEPS}
      ${ExitDo}
    ${EndIf}
    Sleep 100
    IntOp $R3 $R3 + 1
  ${Loop}
!macroend

; Polls until the service has stopped, or its check point has not
; advanced for longer than it said it would take, or the time is up.
; Uses $R3 (steps in all) and $R4 (steps since the check point moved).
!macro WaitForServiceStop
  StrCpy $R3 0
  StrCpy $R4 0
  ${Do}
    StrCpy $StopCheckPoint $ServiceCheckPoint
    !insertmacro QueryService
    ${If} $ServiceState = ${SERVICE_STOPPED}
    ${OrIf} $ServiceState = 0
      ${ExitDo}
    ${EndIf}
    ${If} $ServiceCheckPoint <> $StopCheckPoint
      StrCpy $R4 0
    ${EndIf}
    IntOp $R2 $ServiceWaitHint / 100
    ${If} $R2 < ${SERVICE_STILL_STEPS}
      StrCpy $R2 ${SERVICE_STILL_STEPS}
    ${EndIf}
    ${If} $R4 >= $R2
    ${OrIf} $R3 >= ${SERVICE_STOP_STEPS}
      ${ExitDo}
    ${EndIf}
    Sleep 100
    IntOp $R3 $R3 + 1
    IntOp $R4 $R4 + 1
  ${Loop}
!macroend

; Stops the service if it runs, and waits for its process to end so that
; its files can be replaced or deleted. A process that does not end keeps
; its files: the installation then replaces them when Windows restarts.
; Uses $R0 to $R5.
!macro StopService
  !insertmacro QueryService
  ${If} $ServiceState <> ${SERVICE_STOPPED}
  ${AndIf} $ServiceState <> 0
    DetailPrint "$(STOPPING_SERVICE)"
    StrCpy $R5 $ServiceProcess
    System::Alloc ${SERVICE_STATUS_PROCESS_SIZE}
    Pop $R0
    System::Call 'advapi32::ControlService(p $Service, i ${SERVICE_CONTROL_STOP}, p $R0)'
    System::Free $R0
    !insertmacro WaitForServiceStop
    ; A process that has ended cannot be opened any more.
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i $R5) p .R0'
    ${If} $R0 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p $R0, i ${SERVICE_PROCESS_WAIT_MS})'
      System::Call 'kernel32::CloseHandle(p $R0)'
    ${EndIf}
  ${EndIf}
!macroend

; Registers the service, or reconfigures the one an earlier installation
; left, to start automatically as LocalSystem from $INSTDIR; then its
; description and recovery actions. Sets $ServiceError.
!macro RegisterService
  StrCpy $R1 '"$INSTDIR\ArdmonSvc.exe"'
  StrCpy $R2 "$(SERVICE_DISPLAY_NAME)"
  ${If} $Service P<> 0
    System::Call 'advapi32::ChangeServiceConfigW(p $Service, i ${SERVICE_WIN32_OWN_PROCESS}, \
      i ${SERVICE_AUTO_START}, i ${SERVICE_ERROR_NORMAL}, w R1, p 0, p 0, p 0, \
      w "LocalSystem", w "", w R2) i .R3 ? e'
  ${Else}
    System::Call 'advapi32::CreateServiceW(p $ServiceManager, w "${SERVICE_NAME}", w R2, \
      i ${SERVICE_ALL_ACCESS}, i ${SERVICE_WIN32_OWN_PROCESS}, i ${SERVICE_AUTO_START}, \
      i ${SERVICE_ERROR_NORMAL}, w R1, p 0, p 0, p 0, p 0, p 0) p .R3 ? e'
    StrCpy $Service $R3
  ${EndIf}
  Pop $ServiceError
  ${If} $R3 P<> 0
    StrCpy $ServiceError 0
    StrCpy $R1 "$(SERVICE_DESCRIPTION)"
    nsExec::ExecToLog '"$SYSDIR\sc.exe" description ${SERVICE_NAME} "$R1"'
    Pop $R1
    nsExec::ExecToLog '"$SYSDIR\sc.exe" failure ${SERVICE_NAME} ${SERVICE_RECOVERY}'
    Pop $R1
  ${EndIf}
!macroend

; Starts the service and waits until it runs; $ServiceState tells whether
; it does.
!macro StartService
  DetailPrint "$(STARTING_SERVICE)"
  System::Call 'advapi32::StartServiceW(p $Service, i 0, p 0)'
  !insertmacro WaitForServiceState ${SERVICE_RUNNING}
!macroend

!macro RemoveService
  ${If} $Service P<> 0
    !insertmacro StopService
    DetailPrint "$(REMOVING_SERVICE)"
    System::Call 'advapi32::DeleteService(p $Service)'
  ${EndIf}
!macroend
