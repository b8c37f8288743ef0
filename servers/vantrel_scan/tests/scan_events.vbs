' A VBScript client that receives PageScanned through WScript.ConnectObject.
Option Explicit
Dim scanner, fso, folder, pages, events, lastPath
events = 0

Sub Scanner_PageScanned(page, path)
    events = events + 1
    lastPath = path
    If page <> events Then WScript.Echo "FAILED: page " & page & " arrived as event " & events
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), "vantrel-scan-events")
If Not fso.FolderExists(folder) Then fso.CreateFolder folder
Set scanner = CreateObject("VantrelScan.Scanner")

On Error Resume Next
WScript.ConnectObject scanner, "Scanner_"
If Err.Number <> 0 Then
    WScript.Echo "SKIPPED: this script host cannot connect events (WScript.ConnectObject failed with " & Hex(Err.Number) & _
        "); the events are checked through IConnectionPoint by the scan tests."
    WScript.Quit 0
End If
On Error GoTo 0

pages = scanner.Scan(fso.BuildPath(folder, "doc.tif"))
If pages <> 1 Or events <> pages Then WScript.Echo "FAILED: " & pages & " pages, " & events & " events"
If lastPath <> fso.BuildPath(folder, "doc.tif") Then WScript.Echo "FAILED: the event's path is " & lastPath
fso.DeleteFolder folder, True
If pages = 1 And events = 1 Then WScript.Echo "events client: ok"
