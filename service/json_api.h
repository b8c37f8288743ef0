// The JSON API for web applications: the sources with what they offer, a scan asked for in JSON,
// and errors as JSON with the engine's message and the condition code. Read by nlohmann-json.
#pragma once

#include "imaging/cleanup/cleaning_consumer.h"
#include "service/scan_settings_xml.h"
#include "service/source_profile.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::service {

std::string SourcesJson(const std::vector<SourceProfile>& profiles);

// {"source": 0, "colorMode": "gray", "resolution": 300, "feeder": true, "duplex": true,
//  "format": "image/png", "paperSize": "A4", "pages": 10, "jpegQuality": 85, "pdfa": "2b", "title": "...", "author": "...",
//  "subject": "...", "keywords": "...",
//  "capabilities": {"ICAP_BRIGHTNESS": 100, "CAP_AUTOFEED": true, "ICAP_PIXELFLAVOR": "TWPF_CHOCOLATE"}}:
// every member optional (source 0, the default). `source` receives the index asked for. The clean-up as
// VantrelScan.Scanner names it: "blankPages" ("keep", "skip"), "blankThreshold" (percent), "deskew", "cropBorders"
// (true, false), "despeckle" (pixels), "binarize" ("", "adaptive", "otsu"), "cleanupBy" ("auto", "source", "ours").
ScanSettingsRead ReadJsonScan(std::string_view body, const std::vector<SourceProfile>& profiles, std::size_t& source);

// Every page scanned: {"scanned": 2, "kept": false, "ink": 0.0001, "skew": -1.5, "by": {"blank": "ours", ...}}, with
// "page" (its number among the pages stored) when kept, "ink" where measured, "skew" unless the source deskewed.
nlohmann::json CleanupReportJson(const std::vector<imaging::cleanup::ScannedPageReport>& pages);

// {"error": message, "condition": code or null, "setting": what or null}
std::string ErrorJson(const std::string& message, std::optional<std::uint16_t> condition = {}, const std::string& setting = {});

inline constexpr int kMaxJsonDepth = 8;
inline constexpr std::size_t kMaxJsonCapabilities = 32;

}  // namespace vantrel::service
