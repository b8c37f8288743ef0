' A VBScript client of VantrelScan.Scanner: For Each over Sources, Err.Description, a scan into a PDF.
Option Explicit
Dim scanner, name, found, pages, failures, folder, fso, values
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2), "vantrel-scan-vbs")
If Not fso.FolderExists(folder) Then fso.CreateFolder folder

Set scanner = CreateObject("VantrelScan.Scanner")
found = False
For Each name In scanner.Sources
    If name = "Vantrel Sample Scanner" Then found = True
Next
Check found, "For Each over Sources lists the sample scanner"
Check scanner.Sources.Count >= 1, "Sources.Count"

On Error Resume Next
scanner.ColorMode = "sepia"
Check Err.Number <> 0, "a bad ColorMode raises an error"
Check InStr(Err.Description, """sepia""") > 0, "Err.Description names the value: " & Err.Description
Err.Clear
scanner.Source = "Office Scanner"
pages = scanner.Scan(fso.BuildPath(folder, "none.pdf"))
Check InStr(Err.Description, """Office Scanner""") > 0, "Err.Description names the source: " & Err.Description
Check Err.Number = &H80040201, "a refused scan's own status in Err.Number: " & Hex(Err.Number)
Err.Clear
On Error GoTo 0

scanner.Source = ""
pages = scanner.Scan(fso.BuildPath(folder, "doc.pdf"))
Check pages = 1, "Scan returns the pages stored"
Check scanner.CapabilityKind("ICAP_PIXELTYPE") = "enumeration", "CapabilityKind of an enumeration"
Check scanner.CapabilityKind("ICAP_BRIGHTNESS") = "range", "CapabilityKind of a range"
values = scanner.CapabilityValues("ICAP_BRIGHTNESS")
Check values(0) = -1000 And values(1) = 1000, "a range's minimum and maximum come first"
Check UBound(scanner.CapabilityValues("ICAP_PIXELTYPE")) = 2, "CapabilityValues lists BW, GRAY and RGB"

' One-sided sheets through the feeder, both sides: the blank backs are dropped, the fronts kept, cleaned.
scanner.Feeder = True: scanner.Duplex = True
scanner.PaperSize = "A4": scanner.Resolution = 100
scanner.BlankPages = "skip": scanner.Deskew = True: scanner.CropBorders = True: scanner.Binarize = "adaptive"
Check scanner.BlankPages = "skip" And scanner.Binarize = "adaptive", "the clean-up settings read back"
pages = scanner.Scan(fso.BuildPath(folder, "clean.pdf"))
Check pages = 3, "3 fronts of 3 sheets stored: " & pages
Check UBound(Split(scanner.PageReport, "dropped as blank")) = 3, "PageReport lists the 3 backs dropped: " & scanner.PageReport
scanner.BlankThreshold = 100
Check scanner.Scan(fso.BuildPath(folder, "none-kept.pdf")) = 0, "with a threshold of 100 % every page is blank"
On Error Resume Next
scanner.Binarize = "sauvola"
Check InStr(Err.Description, """sauvola""") > 0, "a bad Binarize is described: " & Err.Description
Err.Clear
On Error GoTo 0

fso.DeleteFolder folder, True
If failures = 0 Then WScript.Echo "vbscript client: ok"
WScript.Quit failures
