// ScanSettings: read by the library, then every value checked against what the source offers.
#include "service/scan_settings_xml.h"

#include "service/escl_documents.h"

#include <boost/property_tree/ptree.hpp>
#include <boost/property_tree/xml_parser.hpp>

#include <algorithm>
#include <charconv>
#include <sstream>

namespace vantrel::service {

namespace {

using Tree = boost::property_tree::ptree;

std::string_view Local(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::optional<int> Integer(const std::string& text, int low, int high) {
    const std::string value = Trimmed(text);
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc{} || end != value.data() + value.size() || value.empty()) return std::nullopt;
    if (number < low || number > high) return std::nullopt;
    return number;
}

std::optional<bool> Boolean(const std::string& text) {
    const std::string value = Trimmed(text);
    if (value == "true" || value == "1") return true;
    if (value == "false" || value == "0") return false;
    return std::nullopt;
}

ScanSettingsRead Refused(std::string reason, bool conflict) {
    ScanSettingsRead read;
    read.error = std::move(reason);
    read.conflict = conflict;
    return read;
}

// The region's four numbers, all in 1/300 inch and inside the source's area.
std::optional<ScanRegion> Region(const Tree& node, const SourceProfile& profile) {
    std::optional<int> width, height, x = 0, y = 0;
    for (const auto& [name, child] : node) {
        const std::string_view local = Local(name);
        if (local == "ContentRegionUnits" && Local(Trimmed(child.data())) != "ThreeHundredthsOfInches") return std::nullopt;
        if (local == "Width") width = Integer(child.data(), 1, profile.maxWidth);
        if (local == "Height") height = Integer(child.data(), 1, profile.maxHeight);
        if (local == "XOffset") x = Integer(child.data(), 0, profile.maxWidth);
        if (local == "YOffset") y = Integer(child.data(), 0, profile.maxHeight);
    }
    if (!width || !height || !x || !y) return std::nullopt;
    if (*x + *width > profile.maxWidth || *y + *height > profile.maxHeight) return std::nullopt;
    return ScanRegion{*width, *height, *x, *y};
}

}  // namespace

ScanSettingsRead ReadScanSettings(std::string_view xml, const SourceProfile& profile) {
    if (xml.size() > kMaxScanSettingsBytes) return Refused("The ScanSettings document is too large.", false);
    Tree document;
    try {
        std::istringstream in{std::string(xml)};
        boost::property_tree::read_xml(in, document, boost::property_tree::xml_parser::trim_whitespace);
    } catch (const boost::property_tree::ptree_error& error) {
        return Refused(std::string("The ScanSettings document is not well-formed XML: ") + error.what(), false);
    }
    if (document.size() != 1 || Local(document.front().first) != "ScanSettings")
        return Refused("The document is not a ScanSettings document.", false);

    ScanRequest request;
    std::optional<int> x, y;
    std::string format;
    for (const auto& [name, child] : document.front().second) {
        const std::string_view local = Local(name);
        const std::string value = Trimmed(child.data());
        if (local == "InputSource") {
            if (value != "Platen" && value != "Feeder") return Refused("The input source \"" + value + "\" is not offered.", true);
            request.feeder = value == "Feeder";
        } else if (local == "Duplex") {
            const auto duplex = Boolean(value);
            if (!duplex) return Refused("Duplex must be true or false.", false);
            request.duplex = *duplex;
        } else if (local == "ColorMode") {
            request.colorMode = ColorModeFromText(value);
            if (!request.colorMode) return Refused("The colour mode \"" + value + "\" is not offered.", true);
        } else if (local == "XResolution" || local == "YResolution") {
            const auto dpi = Integer(value, 1, 100000);
            if (!dpi) return Refused("A resolution must be a whole number of dots per inch.", false);
            (local == "XResolution" ? x : y) = dpi;
        } else if (local == "DocumentFormatExt" || (local == "DocumentFormat" && format.empty())) {
            format = value;
        } else if (local == "Intent") {
            request.intent = value;
        } else if (local == "ScanRegions") {
            for (const auto& [regionName, regionNode] : child) {
                if (Local(regionName) != "ScanRegion") continue;
                if (request.region) return Refused("Only one scan region is offered.", true);
                request.region = Region(regionNode, profile);
                if (!request.region) return Refused("The scan region is not inside the source's area.", true);
            }
        }
    }
    if (x && y && *x != *y) return Refused("The horizontal and vertical resolutions must be the same.", true);
    request.resolution = x ? x : y;
    if (!format.empty()) request.format = format;
    return Checked(request, profile);
}

ScanSettingsRead Checked(const ScanRequest& request, const SourceProfile& profile) {
    const auto& formats = DocumentFormats();
    if (std::find(formats.begin(), formats.end(), request.format) == formats.end())
        return Refused("The document format \"" + request.format + "\" is not offered.", true);
    const auto& modes = profile.colorModes;
    if (request.colorMode && std::find(modes.begin(), modes.end(), *request.colorMode) == modes.end())
        return Refused(std::string("The colour mode ") + ColorModeText(*request.colorMode) + " is not offered.", true);
    if (request.feeder ? !profile.feeder : !profile.platen) return Refused("The input source is not offered by this scanner.", true);
    if (request.duplex && !(request.feeder && profile.duplex)) return Refused("Duplex is offered only with the feeder of a duplex scanner.", true);
    ScanSettingsRead read;
    read.request = request;
    return read;
}

}  // namespace vantrel::service
