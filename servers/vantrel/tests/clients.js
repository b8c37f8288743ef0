// A JScript client: creates Vantrel.TWAIN by its ProgID and uses it late-bound.
var failures = 0;
function check(condition, what) {
    if (!condition) {
        WScript.Echo("FAILED: " + what);
        failures++;
    }
}

var twain = new ActiveXObject("Vantrel.TWAIN");
check(twain.Application == "TWAIN", "Application default");
check(twain.OwnerHwnd == 0, "OwnerHwnd default");
check(twain.Interface == true, "Interface default");
check(twain.ProgressDialog == true, "ProgressDialog default");
check(twain.Version == "1.7", "Version");

twain.Application = "JScript Scanner";
check(twain.Application == "JScript Scanner", "Application round trip");
twain.OwnerHwnd = 777;
check(twain.OwnerHwnd == 777, "OwnerHwnd round trip");
twain.Interface = false;
check(twain.Interface == false, "Interface round trip");

check(twain.Acquire() == -1, "Acquire without a DSM");
check(twain.Acquire("C:\\nowhere.bmp") == -1, "Acquire to a file without a DSM");
check(twain.SelectSource() == -1, "SelectSource without a DSM");
twain.Destroy();

if (failures == 0) WScript.Echo("jscript client: ok");
WScript.Quit(failures);
