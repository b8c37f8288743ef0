' For the crash tests, a script host scanning the sample scanner's feeder into the file given: "scan PATH" takes
' both sides of every sheet (the test ends the host part-way), "next PATH" one page, then echoes Recovered.
Option Explicit
Dim scanner, pages
Set scanner = CreateObject("VantrelScan.Scanner")
scanner.Feeder = True
If WScript.Arguments(0) = "scan" Then scanner.Duplex = True Else scanner.MaxPages = 1
pages = scanner.Scan(WScript.Arguments(1))
WScript.Echo "scanned " & pages
WScript.Echo scanner.Recovered
