// Telling a failure or an empty result.
#include "cli/vantrel-scan/exit_status.h"

#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/json_writer.h"

#include <string>

namespace vantrel::scan {

int Report(bool json, std::wstring_view message, int status) {
    Write(Stream::Error, L"vantrel-scan: " + std::wstring(message) + L"\n");
    if (json) {
        JsonWriter out;
        out.BeginObject().Key("error").String(message).Key("status").Integer(status).EndObject();
        WriteBytes(Stream::Output, out.Text());
    }
    return status;
}

}  // namespace vantrel::scan
