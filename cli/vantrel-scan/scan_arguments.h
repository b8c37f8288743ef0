// The command line of vantrel-scan as values: what to do, with which source and settings, into which files.
#pragma once

#include "twain/capability/capability_value.h"
#include "engine/color_mode.h"
#include "engine/transfer_choice.h"
#include "engine/paper_sizes.h"
#include "imaging/cleanup/clean_page.h"
#include "imaging/pdf/pdf_document.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::scan {

enum class Action { Scan, ListSources, AllOptions, Recover, Help, Version };

struct CapabilitySetting {
    std::uint16_t capability = 0;
    capability::OneValue value;
};

struct ScanArguments {
    Action action = Action::Scan;
    std::wstring source;  // empty: the system's default
    bool select = false;
    std::optional<double> resolution;
    std::optional<engine::ColorMode> mode;
    std::optional<bool> feeder;  // true --feeder, false --flatbed, unset: as the source is
    bool duplex = false;
    std::optional<engine::PaperSize> paper;
    std::optional<int> pages;
    bool ui = false;
    std::optional<int> timeout;  // seconds to wait for a page, 0: as long as it takes; unset: the default
    engine::TransferMode transfer = engine::TransferMode::Native;
    engine::Compression compression = engine::Compression::Source;
    std::optional<int> quality;
    imaging::PdfArchive pdfa = imaging::PdfArchive::None;  // --pdfa[=1b|2b]
    imaging::DocumentMetadata metadata = {};                 // --title, --author, --subject, --keywords (UTF-8)
    std::vector<CapabilitySetting> capabilities;  // in the order given
    imaging::cleanup::CleanupOptions cleanup;  // --skip-blank, --deskew, --crop, --despeckle, --binarize, --cleanup-by
    std::wstring output;
    std::wstring recoverFolder;  // --recover: the folder whose interrupted scans are recovered
    bool json = false;
    bool quiet = false;
};

struct ParsedArguments {
    ScanArguments arguments;
    std::wstring error;  // empty when the command line is usable
};

// The arguments after the program's name. Options take their value as the next argument or after
// "=" (long names); the clean-up's options take theirs only after "=", being flags without one. A usage
// error names the option and what it accepts.
ParsedArguments ParseArguments(std::span<const std::wstring> arguments);

}  // namespace vantrel::scan
