// The command line as a scan job, a progress line per page, and the result told as the program tells it.
#include "cli/vantrel-scan/scan_command.h"

#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/exit_status.h"
#include "cli/vantrel-scan/json_writer.h"
#include "cli/vantrel-scan/page_description.h"
#include "engine/scan_job.h"

#include <windows.h>
#include <cmath>

namespace vantrel::scan {

namespace {

// The command line's settings as the job's record; --flatbed only makes sure no feeder is in use.
engine::ScanJob JobFor(const ScanArguments& a) {
    engine::ScanJob job;
    job.settings.feeder = a.feeder;
    if (a.duplex) job.settings.duplex = true;
    job.settings.colorMode = a.mode;
    job.settings.resolution = a.resolution;
    job.settings.paperSize = a.paper;
    // Each --cap as given, a repeated one set again.
    for (const CapabilitySetting& setting : a.capabilities) job.settings.capabilities.emplace_back(setting.capability, setting.value);
    job.feederOff = engine::FeederOff::OnlyWhenEnabled;
    job.showUI = a.ui;
    if (a.timeout) job.pageTimeout = std::chrono::seconds(*a.timeout);
    job.mode = a.transfer;
    job.compression = a.compression;
    // Without --pages: what the feeder holds, or the one page of the flatbed.
    if (a.pages) job.maxPages = *a.pages;
    job.target = a.output;
    job.cleanup = a.cleanup;
    if (!a.quiet)
        job.pageStored = [](long page, const std::wstring& path, const imaging::PageImage& image) {
            Write(Stream::Error, L"page " + std::to_wstring(page) + L": " + DescribePage(image) + L" -> " + path + L"\n");
        };
    return job;
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
        case engine::BatchEnd::TimedOut: return "timed out";
    }
    return "failed";
}

struct Outcome {
    int status = kFailed;
    std::wstring message;  // why nothing, or not everything, was stored
};

Outcome Judge(const engine::ScanJobResult& scanned) {
    if (!scanned.finished) return {kFailed, scanned.filesError};
    const engine::BatchResult& result = scanned.batch;
    if (result.end == engine::BatchEnd::Failed || result.end == engine::BatchEnd::Stopped || result.end == engine::BatchEnd::Quit ||
        result.end == engine::BatchEnd::TimedOut)
        return {kFailed, result.reason.empty() ? L"The batch ended early." : result.reason};
    if (scanned.StoredPages() > 0) return {kStored, {}};
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

// Each recovered scan on standard error (also with --quiet: it is news, not progress).
void TellRecovered(const std::vector<imaging::RecoveredScan>& recovered) {
    for (const auto& scan : recovered) Write(Stream::Error, scan.text + L"\n");
}

void AddRecovered(JsonWriter& json, const std::vector<imaging::RecoveredScan>& recovered) {
    json.Key("recovered").BeginArray();
    for (const auto& scan : recovered)
        json.BeginObject().Key("path").String(std::wstring_view(scan.path)).Key("pages").Integer(scan.pages).EndObject();
    json.EndArray();
}

// Every page scanned, with what the clean-up found and whether it was stored (and as which page).
void WriteCleanup(JsonWriter& json, const std::vector<imaging::cleanup::ScannedPageReport>& pages) {
    json.Key("cleanup").BeginArray();
    for (const auto& page : pages) {
        json.BeginObject().Key("scanned").Integer(page.scanned).Key("kept").Bool(page.stored > 0);
        if (page.stored > 0) json.Key("page").Integer(page.stored);
        if (page.cleanup.inkPercent >= 0) json.Key("ink").Number(std::round(page.cleanup.inkPercent * 10000) / 10000);
        const imaging::cleanup::StepsBy& by = page.cleanup.by;
        // The source's angle is not known.
        if (by.deskew != imaging::cleanup::Doer::Source) json.Key("skew").Number(std::round(page.cleanup.skewDegrees * 1000) / 1000);
        json.Key("by").BeginObject();
        for (const auto& [step, doer] : {std::pair{"blank", by.blank}, {"deskew", by.deskew}, {"crop", by.crop}})
            if (doer != imaging::cleanup::Doer::None) json.Key(step).String(std::string_view(imaging::cleanup::DoerName(doer)));
        json.EndObject().EndObject();
    }
    json.EndArray();
}

void WriteJson(const std::wstring& sourceName, const engine::ScanJobResult& scanned, const imaging::PageConsumer& files,
               const Outcome& outcome, bool cleanup) {
    const engine::BatchResult& result = scanned.batch;
    JsonWriter json;
    json.BeginObject().Key("source").String(std::wstring_view(sourceName)).Key("status").Integer(outcome.status);
    json.Key("end").String(std::string_view(EndName(result.end))).Key("pages").Integer(scanned.StoredPages());
    if (cleanup) {
        json.Key("scanned").Integer(result.pages);
        WriteCleanup(json, scanned.pages);
    }
    json.Key("files").BeginArray();
    for (const auto& file : files.Files()) {
        json.BeginObject().Key("path").String(std::wstring_view(file.path)).Key("bytes").Integer(static_cast<std::int64_t>(file.bytes));
        json.Key("pages").Integer(file.pages).EndObject();
    }
    json.EndArray();
    AddRecovered(json, scanned.recovered);
    json.Key("error");
    if (outcome.message.empty()) json.Null();
    else json.String(std::wstring_view(outcome.message));
    json.EndObject();
    WriteBytes(Stream::Output, json.Text());
}

}  // namespace

int Recover(const ScanArguments& arguments) {
    std::wstring folder = arguments.recoverFolder;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    if (::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Report(arguments.json, L"Cannot recover in \"" + arguments.recoverFolder + L"\": the folder does not exist.", kFailed);
    const std::vector<imaging::RecoveredScan> recovered = imaging::RecoverInterruptedScans(folder);
    const int status = recovered.empty() ? kNothing : kStored;
    if (recovered.empty() && !arguments.quiet) Write(Stream::Error, L"No interrupted scan to recover in " + arguments.recoverFolder + L".\n");
    TellRecovered(recovered);
    if (!arguments.json) return status;
    JsonWriter json;
    json.BeginObject().Key("status").Integer(status);
    AddRecovered(json, recovered);
    json.Key("error").Null().EndObject();
    WriteBytes(Stream::Output, json.Text());
    return status;
}

int Scan(engine::Session& session, const ScanArguments& arguments, imaging::PageConsumer& files, const std::wstring& sourceName) {
    const engine::ScanJobResult scanned = engine::RunScanJob(session, JobFor(arguments), files);
    TellRecovered(scanned.recovered);
    if (scanned.refusal) return ReportRefusal(arguments.json, *scanned.refusal);
    const Outcome outcome = Judge(scanned);

    if (!arguments.quiet)
        for (const auto& page : scanned.pages)
            if (page.stored == 0) Write(Stream::Error, imaging::cleanup::DescribeReport(page) + L"\n");
    if (!outcome.message.empty()) Write(Stream::Error, L"vantrel-scan: " + outcome.message + L"\n");
    if (!arguments.quiet && scanned.StoredPages() > 0 && scanned.finished) Summarize(files.Files(), scanned.StoredPages());
    if (arguments.json) WriteJson(sourceName, scanned, files, outcome, imaging::cleanup::AnyStep(arguments.cleanup));
    return outcome.status;
}

}  // namespace vantrel::scan
