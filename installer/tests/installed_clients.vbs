' A script on a machine where Vantrel was installed: both classes by ProgID, VantrelScan.Scanner
' scanning from the sample scanner into FOLDER (Vantrel.TWAIN's Create needs a window of the
' client's own, which a script has not). With "hold" it keeps both objects until FOLDER\looked
' exists, so the test can see which process loaded which server.
' Usage: cscript installed_clients.vbs FOLDER [hold]
Option Explicit
Dim fso, folder, scanner, twain, waited
Set fso = CreateObject("Scripting.FileSystemObject")
folder = WScript.Arguments(0)

Set scanner = CreateObject("VantrelScan.Scanner")
WScript.Echo "VantrelScan.Scanner: " & scanner.Scan(fso.BuildPath(folder, "scan.pdf")) & " page"

Set twain = CreateObject("Vantrel.TWAIN")
WScript.Echo "Vantrel.TWAIN: Version " & twain.Version

If WScript.Arguments.Count > 1 Then
    fso.CreateTextFile(fso.BuildPath(folder, "created")).Close
    waited = 0
    Do While Not fso.FileExists(fso.BuildPath(folder, "looked")) And waited < 600
        WScript.Sleep 100
        waited = waited + 1
    Loop
End If
