' A VBScript client: creates Vantrel.TWAIN by its ProgID and calls it late-bound through a real host.
Option Explicit
Dim twain, failures
failures = 0

Sub Check(condition, what)
    If Not condition Then WScript.Echo "FAILED: " & what : failures = failures + 1
End Sub

Set twain = CreateObject("Vantrel.TWAIN")
Check twain.Version = "1.7", "Version"
Check twain.Interface = True, "Interface is the automation True"
twain.Application = "Script Scanner"
Check twain.Application = "Script Scanner", "Application round trip"
Check twain.Acquire() = -1, "Acquire without a DSM, its argument left out"
Check twain.Acquire("C:\nowhere.bmp") = -1, "Acquire to a file without a DSM"
Check twain.SelectSource() = -1, "SelectSource without a DSM"
twain.Destroy

If failures = 0 Then WScript.Echo "vbscript client: ok"
WScript.Quit failures
