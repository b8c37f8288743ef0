// A source's capabilities as the profile eSCL and JSON clients see.
#include "service/source_profile.h"

#include "twain/twain_records.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantrel::service {

namespace {

using namespace vantrel::twain;

constexpr std::uint16_t kMinimumHeight = 0x1130;  // ICAP_MINIMUMHEIGHT
constexpr std::uint16_t kMinimumWidth = 0x1131;   // ICAP_MINIMUMWIDTH
constexpr int kUsualResolutions[] = {75, 100, 150, 200, 240, 300, 400, 600, 1200};

std::optional<double> Number(const capability::Item& item) {
    if (const auto* i = std::get_if<std::int64_t>(&item)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&item)) return *d;
    if (const auto* b = std::get_if<bool>(&item)) return *b ? 1.0 : 0.0;
    return std::nullopt;
}

// Every value a container offers; a range gives only its bounds and step.
std::vector<double> Offered(const capability::Container& container) {
    std::vector<double> values;
    auto add = [&](const capability::Item& item) {
        if (auto n = Number(item)) values.push_back(*n);
    };
    if (const auto* one = std::get_if<capability::OneValue>(&container)) add(one->item);
    if (const auto* list = std::get_if<capability::Enumeration>(&container))
        for (const auto& item : list->items) add(item);
    if (const auto* array = std::get_if<capability::Array>(&container))
        for (const auto& item : array->items) add(item);
    return values;
}

const capability::Container* Find(const CapabilityAnswers& answers, std::uint16_t number) {
    const auto found = answers.find(number);
    return found == answers.end() ? nullptr : &found->second;
}

std::vector<int> Resolutions(const capability::Container& container) {
    std::vector<int> dpi;
    if (const auto* range = std::get_if<capability::Range>(&container)) {
        const auto low = Number(range->min), high = Number(range->max), step = Number(range->step);
        if (!low || !high) return dpi;
        for (int usual : kUsualResolutions) {
            const double offset = usual - *low;
            const bool reached = !step || *step <= 0 || std::fmod(offset, *step) == 0;
            if (usual >= *low && usual <= *high && reached) dpi.push_back(usual);
        }
        return dpi;
    }
    for (double value : Offered(container))
        if (value >= 1 && value <= 100000) dpi.push_back(static_cast<int>(std::lround(value)));
    std::sort(dpi.begin(), dpi.end());
    dpi.erase(std::unique(dpi.begin(), dpi.end()), dpi.end());
    return dpi;
}

// A length in inches as 1/300 inch; nullopt for one that is not a sensible size.
std::optional<int> Hundredths(const CapabilityAnswers& answers, std::uint16_t number) {
    const capability::Container* container = Find(answers, number);
    if (!container) return std::nullopt;
    const auto values = Offered(*container);
    if (values.empty() || !(values.front() > 0) || values.front() > 1000) return std::nullopt;
    return static_cast<int>(std::lround(values.front() * 300));
}

}  // namespace

const std::vector<std::uint16_t>& ProfileCapabilities() {
    static const std::vector<std::uint16_t> numbers{CAP_FEEDERENABLED, CAP_DUPLEX,          ICAP_PIXELTYPE, ICAP_XRESOLUTION,
                                                    ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, kMinimumWidth,  kMinimumHeight};
    return numbers;
}

SourceProfile ProfileFrom(const std::string& name, const std::string& manufacturer, const CapabilityAnswers& answers) {
    SourceProfile profile;
    profile.name = name;
    profile.manufacturer = manufacturer;
    profile.uuid = SourceUuid(name);
    if (const auto* feeder = Find(answers, CAP_FEEDERENABLED)) {
        profile.feeder = true;
        // A source that lists its choices without FALSE has no flatbed.
        if (std::holds_alternative<capability::Enumeration>(*feeder)) {
            const auto values = Offered(*feeder);
            profile.platen = std::find(values.begin(), values.end(), 0.0) != values.end();
        }
    }
    if (const auto* duplex = Find(answers, CAP_DUPLEX)) {
        const auto values = Offered(*duplex);
        profile.duplex = profile.feeder && !values.empty() && values.front() != TWDX_NONE;
    }
    if (const auto* pixelTypes = Find(answers, ICAP_PIXELTYPE)) {
        const auto values = Offered(*pixelTypes);
        auto offers = [&](std::uint16_t type) { return std::find(values.begin(), values.end(), static_cast<double>(type)) != values.end(); };
        if (offers(TWPT_BW)) profile.colorModes.push_back(ColorModeName::BlackAndWhite1);
        if (offers(TWPT_GRAY)) profile.colorModes.push_back(ColorModeName::Grayscale8);
        if (offers(TWPT_RGB)) profile.colorModes.push_back(ColorModeName::Rgb24);
    }
    if (const auto* resolutions = Find(answers, ICAP_XRESOLUTION)) profile.resolutions = Resolutions(*resolutions);
    if (auto width = Hundredths(answers, ICAP_PHYSICALWIDTH)) profile.maxWidth = *width;
    if (auto height = Hundredths(answers, ICAP_PHYSICALHEIGHT)) profile.maxHeight = *height;
    if (auto width = Hundredths(answers, kMinimumWidth)) profile.minWidth = std::min(*width, profile.maxWidth);
    if (auto height = Hundredths(answers, kMinimumHeight)) profile.minHeight = std::min(*height, profile.maxHeight);
    return profile;
}

std::string SourceUuid(const std::string& name) {
    // Two FNV-1a passes with different offsets give the 128 bits; the version and variant bits
    // mark it as a name-based UUID.
    auto fnv = [&](std::uint64_t hash) {
        for (unsigned char c : name) hash = (hash ^ c) * 0x100000001b3ULL;
        return hash;
    };
    const std::uint64_t high = fnv(0xcbf29ce484222325ULL), low = fnv(0x84222325cbf29ce4ULL);
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xffff), static_cast<unsigned>((high & 0x0fff) | 0x5000),
                  static_cast<unsigned>(((low >> 48) & 0x3fff) | 0x8000), static_cast<unsigned long long>(low & 0xffffffffffffULL));
    return text;
}

const char* ColorModeText(ColorModeName mode) {
    switch (mode) {
        case ColorModeName::BlackAndWhite1: return "BlackAndWhite1";
        case ColorModeName::Grayscale8: return "Grayscale8";
        case ColorModeName::Rgb24: return "RGB24";
    }
    return "RGB24";
}

std::optional<ColorModeName> ColorModeFromText(const std::string& text) {
    for (auto mode : {ColorModeName::BlackAndWhite1, ColorModeName::Grayscale8, ColorModeName::Rgb24})
        if (text == ColorModeText(mode)) return mode;
    return std::nullopt;
}

}  // namespace vantrel::service
