// An eSCL ScanSettings document read into the request it makes, by Boost.PropertyTree's XML reader.
#pragma once

#include "imaging/pdf/pdf_document.h"
#include "imaging/cleanup/clean_page.h"
#include "service/source_profile.h"
#include "twain/capability/capability_value.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace vantrel::service {

// A region in 1/300 inch, eSCL's unit.
struct ScanRegion {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

struct ScanRequest {
    bool feeder = false;  // InputSource Feeder; Platen (the default) otherwise
    bool duplex = false;
    std::optional<ColorModeName> colorMode;
    std::optional<int> resolution;  // dots per inch, XResolution (YResolution must match)
    std::optional<ScanRegion> region;
    std::string format = "image/jpeg";
    std::string intent;
    // The JSON API's own: a paper size by name ("A4", "Letter"), as many pages at most, JPEG quality.
    std::string paperSize;
    std::optional<int> pages;
    std::optional<int> jpegQuality;
    imaging::PdfDocument document = {};  // PDF/A and the texts of a PDF or TIFF document ("pdfa", "title", ...)
    // Any capability by its TWAIN name, set after everything above, in the order given.
    std::vector<std::pair<std::uint16_t, capability::OneValue>> capabilities;
    imaging::cleanup::CleanupOptions cleanup;  // and the clean-up of each page, none by default
};

// The request, or the reason the document cannot be taken (for a 400 or 409 answer).
struct ScanSettingsRead {
    std::optional<ScanRequest> request;
    std::string error;
    std::string setting;  // the setting the error is about, where it is one
    bool conflict = false;  // well-formed, but asks for what the source does not offer (409)
};

// Element names are matched without their prefixes, as clients use different ones for the same
// namespaces. The document is refused when larger than kMaxScanSettingsBytes.
ScanSettingsRead ReadScanSettings(std::string_view xml, const SourceProfile& profile);

inline constexpr std::size_t kMaxScanSettingsBytes = 16 * 1024;

// The request as it stands, or why the source cannot take it (409): a format, colour mode, input
// source or duplex it does not offer. Shared by every way a scan is asked for.
ScanSettingsRead Checked(const ScanRequest& request, const SourceProfile& profile);

}  // namespace vantrel::service
