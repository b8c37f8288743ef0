// vantrel-scan: the command line read, the one action it names carried out, its exit status returned.
#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/exit_status.h"
#include "cli/vantrel-scan/help_text.h"
#include "imaging/files/page_files.h"
#include "cli/vantrel-scan/scan_arguments.h"
#include "cli/vantrel-scan/scan_command.h"
#include "engine/session.h"
#include "cli/vantrel-scan/source_commands.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::scan;

int Run(const ScanArguments& arguments) {
    if (arguments.action == Action::Help) {
        Write(Stream::Output, kHelpText);
        return kStored;
    }
    if (arguments.action == Action::Version) {
        Write(Stream::Output, std::wstring(kVersionText) + L" (" + std::to_wstring(sizeof(void*) * 8) + L"-bit)\n");
        return kStored;
    }
    if (arguments.action == Action::Recover) return Recover(arguments);
    // The output is checked before any source is opened: a wrong name scans nothing.
    std::unique_ptr<imaging::PageConsumer> files;
    if (arguments.action == Action::Scan) {
        imaging::FileOptions options;
        if (arguments.quality) options.jpegQuality = *arguments.quality;
        options.pdfa = arguments.pdfa;
        options.metadata = arguments.metadata;
        std::wstring error;
        files = imaging::OpenPageFiles(arguments.output, options, error);
        if (!files) return Report(arguments.json, error, kFailed);
    }
    engine::Session session;
    if (auto error = session.Open(); !error.empty()) return Report(arguments.json, error, kFailed);
    if (arguments.action == Action::ListSources) return ListSources(session, arguments);
    std::wstring sourceName;
    if (const int status = OpenChosenSource(session, arguments, sourceName); status >= 0) return status;
    if (arguments.action == Action::AllOptions) return ShowAllOptions(session, arguments, sourceName);
    return Scan(session, arguments, *files, sourceName);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        const ParsedArguments parsed = ParseArguments(arguments);
        if (!parsed.error.empty()) {
            Write(Stream::Error, L"vantrel-scan: " + parsed.error + L"\nTry \"vantrel-scan --help\" for the options.\n");
            return kFailed;
        }
        return Run(parsed.arguments);
    } catch (const std::exception&) {
        // Out of memory is the only thing that throws here; it must still end with a status.
        Write(Stream::Error, L"vantrel-scan: out of memory.\n");
        return kFailed;
    }
}
