// Applying the settings in a fixed order, running the batch into the files, and telling the result.
#include "cli/vantrel-scan/scan_command.h"

#include "engine/capability_client.h"
#include "engine/consumer_sink.h"
#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/exit_status.h"
#include "cli/vantrel-scan/json_writer.h"
#include "cli/vantrel-scan/progress_consumer.h"
#include "engine/settings.h"

namespace vantrel::scan {

using namespace vantrel::twain;

namespace {

bool FeederEnabled(const engine::SourceRef& source) {
    const auto reply = engine::QueryCapability(source, CAP_FEEDERENABLED, MSG_GETCURRENT);
    if (!reply.ok() || !reply.container) return false;
    const auto item = engine::CurrentItem(*reply.container);
    const bool* flag = item ? std::get_if<bool>(&*item) : nullptr;
    return flag && *flag;
}

// The paper path first (a feeder's sizes and resolutions can differ from the flatbed's), the
// named settings next, --cap last so that it can refine any of them. Empty, or the first refusal.
std::wstring ApplySettings(const engine::SourceRef& source, const ScanArguments& a) {
    if (a.feeder == true) {
        if (auto error = engine::SetFeeder(source, true); !error.empty()) return error;
    } else if (a.feeder == false && FeederEnabled(source)) {
        // A source without a feeder has nothing to switch off.
        if (auto error = engine::SetFeeder(source, false); !error.empty()) return error;
    }
    if (a.duplex) {
        if (auto error = engine::SetDuplex(source, true); !error.empty()) return error;
    }
    if (a.resolution) {
        if (auto error = engine::SetResolution(source, *a.resolution); !error.empty()) return error;
    }
    if (a.mode) {
        if (auto error = engine::SetColorMode(source, *a.mode); !error.empty()) return error;
    }
    if (a.paper) {
        if (auto error = engine::SetPaperSize(source, *a.paper); !error.empty()) return error;
    }
    for (const CapabilitySetting& setting : a.capabilities) {
        if (auto error = engine::SetAndVerify(source, setting.capability, setting.value); !error.empty()) return error;
    }
    return {};
}

const char* EndName(engine::BatchEnd end) {
    switch (end) {
        case engine::BatchEnd::Done: return "done";
        case engine::BatchEnd::LimitReached: return "limit reached";
        case engine::BatchEnd::Cancelled: return "cancelled";
        case engine::BatchEnd::ClosedBySource: return "closed by the source";
        case engine::BatchEnd::Stopped: return "stopped";
        case engine::BatchEnd::Failed: return "failed";
        case engine::BatchEnd::Quit: return "quit";
    }
    return "failed";
}

struct Outcome {
    int status = kFailed;
    std::wstring message;  // why nothing, or not everything, was stored
};

Outcome Judge(const engine::BatchResult& result, imaging::PageConsumer& files, bool finished) {
    if (!finished) return {kFailed, files.Error()};
    if (result.end == engine::BatchEnd::Failed || result.end == engine::BatchEnd::Stopped || result.end == engine::BatchEnd::Quit)
        return {kFailed, result.reason.empty() ? L"The batch ended early." : result.reason};
    if (result.pages > 0) return {kStored, {}};
    if (result.end == engine::BatchEnd::Cancelled || result.end == engine::BatchEnd::ClosedBySource)
        return {kNothing, result.reason.empty() ? L"Scanning was cancelled." : result.reason};
    return {kNothing, L"There was nothing to scan."};
}

void Summarize(const std::vector<imaging::StoredFile>& files, std::uint32_t pages) {
    std::uint64_t bytes = 0;
    for (const auto& file : files) bytes += file.bytes;
    const std::wstring count = std::to_wstring(pages) + (pages == 1 ? L" page" : L" pages");
    if (files.size() == 1) {
        Write(Stream::Error, count + L" stored in " + files[0].path + L" (" + std::to_wstring(bytes) + L" bytes).\n");
        return;
    }
    Write(Stream::Error, count + L" stored in " + std::to_wstring(files.size()) + L" files (" + std::to_wstring(bytes) + L" bytes).\n");
}

void WriteJson(const std::wstring& sourceName, const engine::BatchResult& result, const imaging::PageConsumer& files,
               const Outcome& outcome) {
    JsonWriter json;
    json.BeginObject().Key("source").String(std::wstring_view(sourceName)).Key("status").Integer(outcome.status);
    json.Key("end").String(std::string_view(EndName(result.end))).Key("pages").Integer(result.pages);
    json.Key("files").BeginArray();
    for (const auto& file : files.Files()) {
        json.BeginObject().Key("path").String(std::wstring_view(file.path)).Key("bytes").Integer(static_cast<std::int64_t>(file.bytes));
        json.Key("pages").Integer(file.pages).EndObject();
    }
    json.EndArray().Key("error");
    if (outcome.message.empty()) json.Null();
    else json.String(std::wstring_view(outcome.message));
    json.EndObject();
    WriteBytes(Stream::Output, json.Text());
}

}  // namespace

int Scan(engine::Session& session, const ScanArguments& arguments, imaging::PageConsumer& files, const std::wstring& sourceName) {
    const engine::SourceRef source = session.Source();
    if (auto error = ApplySettings(source, arguments); !error.empty()) return Report(arguments.json, error, kFailed);

    engine::BatchOptions options;
    options.enable.ShowUI = arguments.ui ? 1 : 0;
    options.enable.ModalUI = 0;
    options.enable.hParent = static_cast<TW_HANDLE>(reinterpret_cast<std::uintptr_t>(session.owner()));
    options.disable = options.enable;
    options.mode = arguments.memoryTransfer ? engine::TransferMode::Memory : engine::TransferMode::Native;
    // Without --pages: what the feeder holds, or the one page of the flatbed.
    options.maxPages = arguments.pages ? *arguments.pages : FeederEnabled(source) ? -1 : 1;

    ProgressConsumer progress(files, arguments.output, arguments.quiet);
    engine::ConsumerSink sink(source.link, progress);
    const engine::BatchResult result = session.Scan(options, sink);
    // Also after a failure: the pages before a jam are kept.
    const bool finished = files.Finish();
    const Outcome outcome = Judge(result, files, finished);

    if (!outcome.message.empty()) Write(Stream::Error, L"vantrel-scan: " + outcome.message + L"\n");
    if (!arguments.quiet && result.pages > 0 && finished) Summarize(files.Files(), result.pages);
    if (arguments.json) WriteJson(sourceName, result, files, outcome);
    return outcome.status;
}

}  // namespace vantrel::scan
