// A JScript client of VantrelScan.Scanner: an Enumerator over Sources, e.message, a scan into PNG files.
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        failures++;
    }
}

var fso = new ActiveXObject("Scripting.FileSystemObject");
var folder = fso.BuildPath(fso.GetSpecialFolder(2), "vantrel-scan-js");
if (!fso.FolderExists(folder)) fso.CreateFolder(folder);

var scanner = new ActiveXObject("VantrelScan.Scanner");
var names = [];
for (var e = new Enumerator(scanner.Sources); !e.atEnd(); e.moveNext()) names.push(e.item());
check(("," + names.join(",") + ",").indexOf(",Vantrel Sample Scanner,") >= 0, "Enumerator over Sources: " + names.join(", "));
check(scanner.Sources.Item(0) == names[0], "Sources.Item(0)");

try {
    scanner.JpegQuality = 0;
    check(false, "JpegQuality 0 raises an error");
} catch (error) {
    check(error.message.indexOf("1 to 100") >= 0, "e.message says the range: " + error.message);
}
try {
    scanner.Scan(fso.BuildPath(folder, "missing\\doc.pdf"));
    check(false, "a missing folder raises an error");
} catch (error) {
    check(error.message.indexOf("the folder does not exist") >= 0, "e.message names the cause: " + error.message);
}

scanner.JpegQuality = 60;
var pages = scanner.Scan(fso.BuildPath(folder, "page-{page}.jpg"));
check(pages == 1, "Scan returns the pages stored");
check(fso.FileExists(fso.BuildPath(folder, "page-1.jpg")), "the JPEG named by {page} exists");

fso.DeleteFolder(folder, true);
if (failures == 0) WScript.Echo("jscript client: ok");
WScript.Quit(failures);
