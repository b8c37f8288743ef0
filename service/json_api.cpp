// The JSON API's documents, written and read with nlohmann-json; the depth is bounded while reading.
#include "service/json_api.h"

#include "service/escl_documents.h"
#include "twain/capability/capability_text.h"

#include <cmath>

#include <algorithm>

namespace vantrel::service {

namespace {

using Json = nlohmann::json;
// Read keeping the members' order: capabilities are set in the order the client gave them.
using ReadJson = nlohmann::ordered_json;

// The names VantrelScan.Scanner's ColorMode takes.
constexpr std::pair<ColorModeName, const char*> kModeNames[] = {
    {ColorModeName::BlackAndWhite1, "bw"}, {ColorModeName::Grayscale8, "gray"}, {ColorModeName::Rgb24, "color"}};

ScanSettingsRead Refused(std::string reason, std::string setting = {}) {
    ScanSettingsRead read;
    read.error = std::move(reason);
    read.setting = std::move(setting);
    return read;
}

// The document's text a key names ("title", "author", "subject", "keywords"), or null.
std::string* DocumentText(imaging::DocumentMetadata& m, const std::string& key) {
    return key == "title" ? &m.title : key == "author" ? &m.author : key == "subject" ? &m.subject : key == "keywords" ? &m.keywords : nullptr;
}

// A JSON value as the capability's item type takes it: a boolean for TW_BOOL, text for strings,
// numbers for numbers, and a name for a constant (or a frame as "left,top,right,bottom").
std::optional<capability::OneValue> CapabilityValue(const capability::CapabilityInfo& info, const ReadJson& value) {
    using capability::ItemType;
    const bool flag = info.itemType == ItemType::Bool;
    if (value.is_boolean() || flag) {
        if (!flag || !value.is_boolean()) return std::nullopt;
        return capability::OneValue{ItemType::Bool, value.get<bool>()};
    }
    const bool text = capability::IsString(info.itemType) || info.itemType == ItemType::Frame;
    if (value.is_string()) {
        const std::string& words = value.get_ref<const std::string&>();
        // TWAIN's strings are bytes in the source's code page: only ASCII means the same everywhere.
        if (!std::all_of(words.begin(), words.end(), [](char c) { return c >= ' ' && c <= '~'; })) return std::nullopt;
        if (info.itemType == ItemType::Fix32) return std::nullopt;
        return capability::ReadValueText(info, words);
    }
    if (text || !value.is_number() || (value.is_number_float() && info.itemType != ItemType::Fix32)) return std::nullopt;
    return capability::ReadValueText(info, value.dump());
}

// "capabilities": {"NAME": value, ...} into the request, or why not.
std::optional<ScanSettingsRead> ReadCapabilities(const ReadJson& named, ScanRequest& request) {
    if (named.size() > kMaxJsonCapabilities) return Refused("At most 32 capabilities can be set with one scan.", "capabilities");
    for (const auto& [name, value] : named.items()) {
        if (name.size() > 64) return Refused("A capability's name has at most 64 characters.", "capabilities");
        const auto info = capability::FindNamedCapability(name);
        if (!info) return Refused("There is no capability named \"" + name + "\".", name);
        const auto read = CapabilityValue(*info, value);
        // In ASCII, so that a cut never splits a character.
        const std::string given = value.dump(-1, ' ', true).substr(0, 64);
        const std::string label(info->name);
        if (!read) return Refused(label + " takes " + capability::AcceptedValues(*info) + ", not " + given + ".", label);
        request.capabilities.emplace_back(info->number, *read);
    }
    return std::nullopt;
}

// A clean-up setting; false for another key or a value out of range.
bool ReadCleanup(const std::string& key, const ReadJson& value, imaging::cleanup::CleanupOptions& cleanup) {
    using imaging::cleanup::Binarization;
    const std::string text = value.is_string() ? value.get<std::string>() : "\x01";
    if (key == "blankPages" && (text == "keep" || text == "skip")) cleanup.skipBlank = text == "skip";
    else if (key == "blankThreshold" && value.is_number() && value.get<double>() >= 0 && value.get<double>() <= 100)
        cleanup.blank.thresholdPercent = value.get<double>();
    else if ((key == "deskew" || key == "cropBorders") && value.is_boolean()) (key == "deskew" ? cleanup.deskew : cleanup.crop) = value.get<bool>();
    else if (key == "despeckle" && value.is_number_unsigned() && value.get<std::uint64_t>() <= 10000) cleanup.despeckle = value.get<std::uint32_t>();
    else if (key == "binarize" && (text.empty() || text == "adaptive" || text == "otsu"))
        cleanup.binarize = text.empty() ? Binarization::None : text == "otsu" ? Binarization::Otsu : Binarization::Adaptive;
    else if (const auto by = imaging::cleanup::CleanupByNamed(std::wstring(text.begin(), text.end())); key == "cleanupBy" && by) cleanup.by = *by;
    else return false;
    return true;
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
    ReadJson settings;
    try {
        // Deeper documents are refused while they are read, before they are built.
        settings = ReadJson::parse(body, [](int depth, ReadJson::parse_event_t, ReadJson&) {
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
        } else if (key == "pdfa" && value.is_string() && imaging::ParsePdfArchive(value.get<std::string>())) {
            request.document.archive = *imaging::ParsePdfArchive(value.get<std::string>());
        } else if (auto* text = DocumentText(request.document.metadata, key); text && value.is_string() && value.get<std::string>().size() <= 1000) {
            *text = value.get<std::string>();
        } else if (ReadCleanup(key, value, request.cleanup)) {
        } else if (key == "format" && value.is_string()) {
            request.format = value.get<std::string>();
        } else if (key == "capabilities" && value.is_object()) {
            if (auto refused = ReadCapabilities(value, request)) return std::move(*refused);
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

Json CleanupReportJson(const std::vector<imaging::cleanup::ScannedPageReport>& pages) {
    using imaging::cleanup::Doer;
    Json list = Json::array();
    for (const auto& page : pages) {
        Json entry{{"scanned", page.scanned}, {"kept", page.stored > 0}};
        if (page.stored > 0) entry["page"] = page.stored;
        if (page.cleanup.inkPercent >= 0) entry["ink"] = std::round(page.cleanup.inkPercent * 10000) / 10000;
        const imaging::cleanup::StepsBy& by = page.cleanup.by;
        if (by.deskew != Doer::Source) entry["skew"] = std::round(page.cleanup.skewDegrees * 1000) / 1000;
        Json doers = Json::object();
        for (const auto& [step, doer] : {std::pair{"blank", by.blank}, {"deskew", by.deskew}, {"crop", by.crop}})
            if (doer != Doer::None) doers[step] = imaging::cleanup::DoerName(doer);
        entry["by"] = doers;
        list.push_back(entry);
    }
    return list;
}

std::string ErrorJson(const std::string& message, std::optional<std::uint16_t> condition, const std::string& setting) {
    return Json{{"error", message}, {"condition", condition ? Json(*condition) : Json()}, {"setting", setting.empty() ? Json() : Json(setting)}}.dump();
}

}  // namespace vantrel::service
