// The JSON API's documents, written and read with nlohmann-json; the depth is bounded while reading.
#include "service/json_api.h"

#include "service/escl_documents.h"

#include <nlohmann/json.hpp>

namespace vantrel::service {

namespace {

using Json = nlohmann::json;

// The names VantrelScan.Scanner's ColorMode takes.
constexpr std::pair<ColorModeName, const char*> kModeNames[] = {
    {ColorModeName::BlackAndWhite1, "bw"}, {ColorModeName::Grayscale8, "gray"}, {ColorModeName::Rgb24, "color"}};

ScanSettingsRead Refused(std::string reason, std::string setting = {}) {
    ScanSettingsRead read;
    read.error = std::move(reason);
    read.setting = std::move(setting);
    return read;
}


}  // namespace

std::string SourcesJson(const std::vector<SourceProfile>& profiles) {
    Json list = Json::array();
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const SourceProfile& p = profiles[i];
        Json modes = Json::array();
        for (ColorModeName mode : p.colorModes)
            for (const auto& [name, text] : kModeNames)
                if (name == mode) modes.push_back(text);
        list.push_back({{"source", i}, {"name", p.name}, {"manufacturer", p.manufacturer}, {"uuid", p.uuid},
                        {"flatbed", p.platen}, {"feeder", p.feeder}, {"duplex", p.duplex}, {"colorModes", modes},
                        {"resolutions", p.resolutions}, {"formats", DocumentFormats()}});
    }
    return list.dump();
}

ScanSettingsRead ReadJsonScan(std::string_view body, const std::vector<SourceProfile>& profiles, std::size_t& source) {
    Json settings;
    try {
        // Deeper documents are refused while they are read, before they are built.
        settings = Json::parse(body, [](int depth, Json::parse_event_t, Json&) {
            if (depth > kMaxJsonDepth) throw std::range_error("too deep");
            return true;
        });
    } catch (const std::exception&) {
        return Refused("The scan settings are not a JSON object of at most 8 levels.");
    }
    if (!settings.is_object() || profiles.empty()) return Refused("The scan settings must be a JSON object.");
    ScanRequest request;
    source = 0;
    for (const auto& [key, value] : settings.items()) {
        if (key == "source" && value.is_number_unsigned() && value.get<std::uint64_t>() < profiles.size()) {
            source = value.get<std::size_t>();
        } else if (key == "feeder" && value.is_boolean()) {
            request.feeder = value.get<bool>();
        } else if (key == "duplex" && value.is_boolean()) {
            request.duplex = value.get<bool>();
        } else if (key == "resolution" && value.is_number_unsigned() && value.get<std::uint64_t>() <= 100000 && value.get<std::uint64_t>() > 0) {
            request.resolution = value.get<int>();
        } else if (key == "paperSize" && value.is_string() && !value.get<std::string>().empty() && value.get<std::string>().size() <= 32) {
            request.paperSize = value.get<std::string>();
        } else if (key == "pages" && value.is_number_unsigned() && value.get<std::uint64_t>() <= 100000 && value.get<std::uint64_t>() > 0) {
            request.pages = value.get<int>();
        } else if (key == "jpegQuality" && value.is_number_unsigned() && value.get<std::uint64_t>() <= 100 && value.get<std::uint64_t>() > 0) {
            request.jpegQuality = value.get<int>();
        } else if (key == "format" && value.is_string()) {
            request.format = value.get<std::string>();
        } else if (key == "colorMode" && value.is_string()) {
            for (const auto& [mode, text] : kModeNames)
                if (value.get<std::string>() == text) request.colorMode = mode;
            if (!request.colorMode) return Refused("colorMode is one of \"bw\", \"gray\", \"color\".", key);
        } else {
            return Refused("The setting \"" + key + "\" is unknown or its value is out of range.", key);
        }
    }
    return Checked(request, profiles[source]);
}

std::string ErrorJson(const std::string& message, std::optional<std::uint16_t> condition, const std::string& setting) {
    return Json{{"error", message}, {"condition", condition ? Json(*condition) : Json()}, {"setting", setting.empty() ? Json() : Json(setting)}}.dump();
}

}  // namespace vantrel::service
