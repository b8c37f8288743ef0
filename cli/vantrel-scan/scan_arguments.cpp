// Reading vantrel-scan's command line into ScanArguments.
#include "cli/vantrel-scan/scan_arguments.h"

#include "cli/vantrel-scan/capability_argument.h"
#include "twain/capability/capability_text.h"
#include "twain/capability/number_text.h"
#include "win32/utf8_text.h"

#include <functional>

namespace vantrel::scan {

namespace {

// An option's names and what it does with its value (nullptr for a flag). One with both takes its
// value only after "=" and is a flag without it.
struct Option {
    std::wstring_view shortName;
    std::wstring_view longName;
    std::function<std::wstring(ScanArguments&, const std::wstring&)> take;  // with a value
    std::function<void(ScanArguments&)> set;                                // without one
};

using capability::AsciiOf;
using capability::ParseInteger;
using capability::ParseReal;
using imaging::cleanup::Binarization;

std::wstring Number(const std::wstring& text, const wchar_t* option, double min, double max, double& out) {
    const auto ascii = AsciiOf(text);
    const auto value = ascii ? ParseReal(*ascii) : std::nullopt;
    if (!value || *value < min || *value > max)
        return std::wstring(option) + L" takes a number from " + std::to_wstring(static_cast<long long>(min)) + L" to " +
               std::to_wstring(static_cast<long long>(max)) + L", not \"" + text + L"\".";
    out = *value;
    return {};
}

std::wstring WholeNumber(const std::wstring& text, const wchar_t* option, int min, int max, int& out) {
    const auto ascii = AsciiOf(text);
    const auto value = ascii ? ParseInteger(*ascii) : std::nullopt;
    if (!value || *value < min || *value > max)
        return std::wstring(option) + L" takes a whole number from " + std::to_wstring(min) + L" to " + std::to_wstring(max) +
               L", not \"" + text + L"\".";
    out = static_cast<int>(*value);
    return {};
}

// Taking an option's whole number into `field`.
auto WholeInto(std::optional<int> ScanArguments::*field, const wchar_t* option, int min, int max) {
    return [=](ScanArguments& a, const std::wstring& v) {
        int value = 0;
        auto error = WholeNumber(v, option, min, max, value);
        if (error.empty()) a.*field = value;
        return error;
    };
}

// Taking an option's text as UTF-8 into a field of the document's metadata.
auto TextInto(std::string imaging::DocumentMetadata::*field) {
    return [=](ScanArguments& a, const std::wstring& v) {
        a.metadata.*field = ToUtf8(v);
        return std::wstring();
    };
}

std::wstring PaperNames() {
    std::wstring names;
    for (const engine::PaperSize& size : engine::PaperSizes()) {
        if (!names.empty()) names += L", ";
        names += std::wstring(size.name.begin(), size.name.end());
    }
    return names;
}

const std::vector<Option>& Options() {
    static const std::vector<Option> options = {
        {L"-h", L"--help", nullptr, [](ScanArguments& a) { a.action = Action::Help; }},
        {L"", L"--version", nullptr, [](ScanArguments& a) { a.action = Action::Version; }},
        {L"-L", L"--list-sources", nullptr, [](ScanArguments& a) { a.action = Action::ListSources; }},
        {L"-A", L"--all-options", nullptr, [](ScanArguments& a) { a.action = Action::AllOptions; }},
        {L"-d", L"--source",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v.empty()) return L"--source takes a source's name (vantrel-scan -L lists them).";
             a.source = v;
             return {};
         },
         nullptr},
        {L"", L"--select", nullptr, [](ScanArguments& a) { a.select = true; }},
        {L"-r", L"--resolution",
         [](ScanArguments& a, const std::wstring& v) {
             double dpi = 0;
             auto error = Number(v, L"--resolution", 1, 20000, dpi);
             if (error.empty()) a.resolution = dpi;
             return error;
         },
         nullptr},
        {L"-m", L"--mode",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             a.mode = engine::ParseColorMode(v);
             if (!a.mode) return L"--mode takes color, gray or bw, not \"" + v + L"\".";
             return {};
         },
         nullptr},
        {L"", L"--feeder", nullptr, [](ScanArguments& a) { a.feeder = true; }},
        {L"", L"--flatbed", nullptr, [](ScanArguments& a) { a.feeder = false; }},
        {L"", L"--duplex", nullptr, [](ScanArguments& a) { a.duplex = true; }},
        {L"", L"--paper",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             const auto ascii = AsciiOf(v);
             if (ascii) a.paper = engine::FindPaperSize(std::string_view(*ascii));
             if (!a.paper) return L"--paper takes one of " + PaperNames() + L", not \"" + v + L"\".";
             return {};
         },
         nullptr},
        {L"-n", L"--pages", WholeInto(&ScanArguments::pages, L"--pages", 1, 100000), nullptr},
        {L"", L"--ui", nullptr, [](ScanArguments& a) { a.ui = true; }},
        {L"", L"--timeout", WholeInto(&ScanArguments::timeout, L"--timeout", 0, 86400), nullptr},
        {L"", L"--transfer",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v != L"native" && v != L"memory" && v != L"file") return L"--transfer takes native, memory or file, not \"" + v + L"\".";
             a.transfer = v == L"memory" ? engine::TransferMode::Memory : v == L"file" ? engine::TransferMode::File : engine::TransferMode::Native;
             return {};
         },
         nullptr},
        {L"", L"--compression",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v != L"source" && v != L"ours") return L"--compression takes source or ours, not \"" + v + L"\".";
             a.compression = v == L"ours" ? engine::Compression::Ours : engine::Compression::Source;
             return {};
         },
         nullptr},
        {L"", L"--quality",
         [](ScanArguments& a, const std::wstring& v) {
             int quality = 0;
             auto error = WholeNumber(v, L"--quality", 1, 100, quality);
             if (error.empty()) a.quality = quality;
             return error;
         },
         nullptr},
        {L"", L"--pdfa",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             const auto archive = imaging::ParsePdfArchive(ToUtf8(v));
             if (!archive || v.empty()) return L"--pdfa takes 1b or 2b, not \"" + v + L"\".";
             a.pdfa = *archive;
             return {};
         },
         [](ScanArguments& a) { a.pdfa = imaging::PdfArchive::A2b; }},
        {L"", L"--title", TextInto(&imaging::DocumentMetadata::title), nullptr},
        {L"", L"--author", TextInto(&imaging::DocumentMetadata::author), nullptr},
        {L"", L"--subject", TextInto(&imaging::DocumentMetadata::subject), nullptr},
        {L"", L"--keywords", TextInto(&imaging::DocumentMetadata::keywords), nullptr},
        {L"", L"--cap",
         [](ScanArguments& a, const std::wstring& v) {
             CapabilitySetting setting;
             auto error = ParseCapabilitySetting(v, setting);
             if (error.empty()) a.capabilities.push_back(std::move(setting));
             return error;
         },
         nullptr},
        {L"-o", L"--output",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v.empty()) return L"--output takes a file name, such as scan.pdf or page-{page}.png.";
             a.output = v;
             return {};
         },
         nullptr},
        {L"", L"--recover",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v.empty()) return L"--recover takes a folder, such as C:\\scans or . for this one.";
             a.action = Action::Recover;
             a.recoverFolder = v;
             return {};
         },
         nullptr},
        {L"", L"--skip-blank",
         [](ScanArguments& a, const std::wstring& v) {
             double percent = 0;
             auto error = Number(v, L"--skip-blank", 0, 100, percent);
             if (error.empty()) a.cleanup.skipBlank = true, a.cleanup.blank.thresholdPercent = percent;
             return error;
         },
         [](ScanArguments& a) { a.cleanup.skipBlank = true; }},
        {L"", L"--deskew", nullptr, [](ScanArguments& a) { a.cleanup.deskew = true; }},
        {L"", L"--crop", nullptr, [](ScanArguments& a) { a.cleanup.crop = true; }},
        {L"", L"--despeckle",
         [](ScanArguments& a, const std::wstring& v) {
             int size = 0;
             auto error = WholeNumber(v, L"--despeckle", 1, 10000, size);
             if (error.empty()) a.cleanup.despeckle = static_cast<std::uint32_t>(size);
             return error;
         },
         [](ScanArguments& a) { a.cleanup.despeckle = imaging::cleanup::kDefaultSpeckPixels; }},
        {L"", L"--binarize",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             if (v != L"adaptive" && v != L"otsu") return L"--binarize takes adaptive or otsu, not \"" + v + L"\".";
             a.cleanup.binarize = v == L"otsu" ? Binarization::Otsu : Binarization::Adaptive;
             return {};
         },
         [](ScanArguments& a) { a.cleanup.binarize = Binarization::Adaptive; }},
        {L"", L"--cleanup-by",
         [](ScanArguments& a, const std::wstring& v) -> std::wstring {
             const auto by = imaging::cleanup::CleanupByNamed(v);
             if (!by) return L"--cleanup-by takes auto, source or ours, not \"" + v + L"\".";
             a.cleanup.by = *by;
             return {};
         },
         nullptr},
        {L"", L"--json", nullptr, [](ScanArguments& a) { a.json = true; }},
        {L"-q", L"--quiet", nullptr, [](ScanArguments& a) { a.quiet = true; }},
    };
    return options;
}

const Option* FindOption(std::wstring_view name) {
    for (const Option& option : Options()) {
        if (name == option.longName || (!option.shortName.empty() && name == option.shortName)) return &option;
    }
    return nullptr;
}

// Combinations that cannot mean one thing, checked once every option is read.
std::wstring Conflicts(const ScanArguments& a, bool feederAndFlatbed) {
    if (feederAndFlatbed) return L"--feeder and --flatbed cannot both be given.";
    if (a.select && !a.source.empty()) return L"--select and --source cannot both be given.";
    if (a.duplex && a.feeder == false) return L"--duplex needs the feeder; it cannot be used with --flatbed.";
    if (a.action == Action::Scan && a.output.empty())
        return L"Nothing to do: give --output FILE to scan, -L to list the sources or -A to see a source's options.";
    const std::wstring extension = a.output.size() >= 4 ? a.output.substr(a.output.size() - 4) : L"";
    if (a.pdfa != imaging::PdfArchive::None && extension != L".pdf" && extension != L".PDF")
        return L"--pdfa makes PDF/A files: the output must end with .pdf.";
    return {};
}

}  // namespace

ParsedArguments ParseArguments(std::span<const std::wstring> arguments) {
    ParsedArguments parsed;
    ScanArguments& a = parsed.arguments;
    bool feeder = false;
    bool flatbed = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        std::wstring name = argument;
        std::optional<std::wstring> attached;
        if (argument.starts_with(L"--")) {
            if (const std::size_t equals = argument.find(L'='); equals != std::wstring::npos) {
                name = argument.substr(0, equals);
                attached = argument.substr(equals + 1);
            }
        }
        const Option* option = FindOption(name);
        if (!option) {
            parsed.error = argument.starts_with(L"-") ? L"Unknown option \"" + argument + L"\"."
                                                      : L"Unexpected argument \"" + argument + L"\"; the output file follows -o.";
            return parsed;
        }
        if (!option->take || (option->set && !attached)) {
            if (attached) {
                parsed.error = std::wstring(option->longName) + L" takes no value.";
                return parsed;
            }
            feeder = feeder || option->longName == L"--feeder";
            flatbed = flatbed || option->longName == L"--flatbed";
            option->set(a);
            continue;
        }
        if (!attached) {
            if (i + 1 >= arguments.size()) {
                parsed.error = std::wstring(option->longName) + L" needs a value.";
                return parsed;
            }
            attached = arguments[++i];
        }
        if (auto error = option->take(a, *attached); !error.empty()) {
            parsed.error = std::move(error);
            return parsed;
        }
    }
    if (a.action == Action::Help || a.action == Action::Version) return parsed;
    parsed.error = Conflicts(a, feeder && flatbed);
    // Both sides of a sheet come only through the feeder.
    if (a.duplex) a.feeder = true;
    return parsed;
}

}  // namespace vantrel::scan
