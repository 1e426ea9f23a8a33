; The install folder's access list. The service loads ArdmonLib.dll from
; this folder as SYSTEM, so users must not be able to change what is in it,
; whichever folder the user picked: Administrators and SYSTEM get full
; control, Users read and run, and nothing is inherited from the parent.
; The entries name the well-known SIDs (SY, BA, BU), which are the same on
; every language of Windows; the folder's files inherit them.

!define INSTALL_FOLDER_SDDL "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
!define SDDL_REVISION_1 1
!define SE_FILE_OBJECT 1
; DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION
!define PROTECTED_DACL_INFORMATION 0x80000004

; Sets the access list of $INSTDIR; $R0 is 0 when it is set, else the
; Win32 error. Uses $R1 to $R4.
Function ProtectInstallFolder
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW( \
    w "${INSTALL_FOLDER_SDDL}", i ${SDDL_REVISION_1}, *p .R1, p 0) i .R2 ? e'
  Pop $R0
  ${If} $R2 = 0
    Return
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorDacl(p R1, *i .R2, *p .R3, *i .R4) i .R2 ? e'
  Pop $R0
  ${If} $R2 <> 0
    System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i ${SE_FILE_OBJECT}, \
      i ${PROTECTED_DACL_INFORMATION}, p 0, p 0, p R3, p 0) i .R0'
  ${EndIf}
  System::Call 'kernel32::LocalFree(p R1)'
FunctionEnd
