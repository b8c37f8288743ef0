// Telling a failure or an empty result.
#include "cli/vantrel-scan/exit_status.h"

#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/json_writer.h"

#include <string>

namespace vantrel::scan {

namespace {

// `refusal` adds the source's condition code, null when it gave none.
int Tell(bool json, std::wstring_view message, int status, const engine::Failure* refusal) {
    Write(Stream::Error, L"vantrel-scan: " + std::wstring(message) + L"\n");
    if (json) {
        JsonWriter out;
        out.BeginObject().Key("error").String(message);
        if (refusal && refusal->condition) out.Key("condition").Integer(*refusal->condition);
        if (refusal && !refusal->condition) out.Key("condition").Null();
        out.Key("status").Integer(status).EndObject();
        WriteBytes(Stream::Output, out.Text());
    }
    return status;
}

}  // namespace

int Report(bool json, std::wstring_view message, int status) { return Tell(json, message, status, nullptr); }

int ReportRefusal(bool json, const engine::Failure& refusal) { return Tell(json, refusal.message, kFailed, &refusal); }

}  // namespace vantrel::scan
