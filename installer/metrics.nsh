; The service's metrics file for Prometheus: /METRICS=<folder> on the
; command line (also with /S) points the service at a collector's folder,
; such as windows_exporter's textfile folder. Without it an earlier
; choice stays. The uninstaller removes the file and the choice.

!define METRICS_KEY "SOFTWARE\${COMPANY}\${PRODUCT_NAME}\Metrics"
!define METRICS_FILE "quenby.prom"

; Before the service starts, which reads it then. Uses $R0 and $R1.
!macro WriteMetricsConfiguration
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/METRICS=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 != ""
    WriteRegStr HKLM "${METRICS_KEY}" "Folder" "$R1"
  ${EndIf}
!macroend

; After the service has ended: a file left behind would go on reporting
; the drives as they were. Uses $R0.
!macro RemoveMetrics
  ReadRegStr $R0 HKLM "${METRICS_KEY}" "Folder"
  ${If} $R0 != ""
    Delete "$R0\${METRICS_FILE}"
  ${EndIf}
  DeleteRegKey HKLM "${METRICS_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\${COMPANY}\${PRODUCT_NAME}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\${COMPANY}"
!macroend
