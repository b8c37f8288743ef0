' A VBScript client: creates Vantrel.TWAIN by its ProgID and uses it late-bound.
Option Explicit
Dim twain, failures
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Set twain = CreateObject("Vantrel.TWAIN")
Check twain.Application = "TWAIN", "Application default"
Check twain.OwnerHwnd = 0, "OwnerHwnd default"
Check twain.Interface = True, "Interface default"
Check twain.ProgressDialog = True, "ProgressDialog default"
Check twain.Version = "1.7", "Version"

twain.Application = "Script Scanner"
Check twain.Application = "Script Scanner", "Application round trip"
twain.Interface = False
Check twain.Interface = False, "Interface round trip"
twain.ProgressDialog = False
Check twain.ProgressDialog = False, "ProgressDialog round trip"
twain.OwnerHwnd = 12345
Check twain.OwnerHwnd = 12345, "OwnerHwnd round trip"

Check twain.Acquire() = -1, "Acquire without a DSM"
Check twain.Acquire("C:\nowhere.bmp") = -1, "Acquire to a file without a DSM"
Check twain.SelectSource() = -1, "SelectSource without a DSM"
twain.Destroy

If failures = 0 Then WScript.Echo "vbscript client: ok"
WScript.Quit failures
