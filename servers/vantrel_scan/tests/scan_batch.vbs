' The five-line batch of a script: 20 duplex pages from the feeder into one PDF and one TIFF (and
' the TIFF again by memory transfer), for the independent decoders to read back.
' Usage: cscript scan_batch.vbs FOLDER
Option Explicit
Dim scanner, folder, pages, failures
failures = 0

Sub Check(condition, what)
    If Not condition Then
        WScript.Echo "FAILED: " & what
        failures = failures + 1
    End If
End Sub


folder = WScript.Arguments(0)
Set scanner = CreateObject("VantrelScan.Scanner")
scanner.Feeder = True
scanner.Duplex = True
scanner.ColorMode = "gray"
scanner.Resolution = 100
pages = scanner.Scan(folder & "\doc.pdf")
Check pages = 20, "the PDF holds " & pages & " pages"
pages = scanner.Scan(folder & "\doc.tif")
Check pages = 20, "the TIFF holds " & pages & " pages"
scanner.TransferMode = "memory"
pages = scanner.Scan(folder & "\memory.tif")
Check pages = 20, "the memory-transfer TIFF holds " & pages & " pages"
Check scanner.PagesScanned = 20, "PagesScanned"

If failures = 0 Then WScript.Echo "batch client: ok"
WScript.Quit failures
