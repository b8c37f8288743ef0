// The common settings on top of capability requests, each verified by reading it back.
#include "engine/settings.h"

#include "engine/capability_client.h"
#include "engine/condition_text.h"
#include "engine/source_status.h"
#include "twain/capability/twain_names.h"
#include "win32/utf8_text.h"

#include <cmath>
#include <cwchar>

namespace vantrel::engine {

using namespace twain;
using capability::Item;
using capability::ItemType;
using capability::OneValue;

namespace {

ItemType TypeOf(std::uint16_t cap, ItemType fallback) {
    const auto info = capability::FindCapability(cap);
    return info ? info->itemType : fallback;
}

bool SameItem(const Item& a, const Item& b) {
    if (const auto* x = std::get_if<double>(&a)) {
        if (const auto* y = std::get_if<double>(&b)) return std::fabs(*x - *y) < 0.5 / 65536;
    }
    // Some sources answer a TW_BOOL as a number (or an enumeration of numbers): non-zero is TRUE.
    const auto* flag = std::get_if<bool>(&a);
    const auto* number = std::get_if<std::int64_t>(&b);
    if (!flag) {
        flag = std::get_if<bool>(&b);
        number = std::get_if<std::int64_t>(&a);
    }
    if (flag && number) return *flag == (*number != 0);
    return a == b;
}

Failure Refusal(std::uint16_t cap, const Item& wanted, const CapabilityReply& reply) {
    const std::wstring label = CapabilityLabel(cap);
    if (!reply.problem.empty()) return {label, std::nullopt, L"Setting " + label + L" failed: " + reply.problem + L"."};
    if (reply.condition == TWCC_CAPUNSUPPORTED || reply.condition == TWCC_BADCAP)
        return {label, reply.condition, L"The source does not support " + label + L": " + DescribeCondition(reply.condition) + L"."};
    return {label, reply.condition,
            L"The source refused " + label + L" = " + DescribeItem(cap, wanted) + L": " + DescribeCondition(reply.condition) + L"."};
}

double FrameSide(const TW_FIX32& side) { return side.Whole + side.Frac / 65536.0; }

OneValue Value(std::uint16_t cap, ItemType fallback, Item item) { return OneValue{TypeOf(cap, fallback), std::move(item)}; }

}  // namespace

std::optional<Item> CurrentItem(const capability::Container& container) {
    if (const auto* one = std::get_if<capability::OneValue>(&container)) return one->item;
    if (const auto* list = std::get_if<capability::Enumeration>(&container)) {
        if (!list->currentIndex || *list->currentIndex >= list->items.size()) return std::nullopt;
        return list->items[*list->currentIndex];
    }
    if (const auto* range = std::get_if<capability::Range>(&container)) return range->current;
    return std::nullopt;
}

std::wstring DescribeItem(std::uint16_t cap, const Item& item) {
    if (const auto* number = std::get_if<std::int64_t>(&item)) {
        const auto family = capability::FamilyOf(cap);
        if (family != capability::Family::None) {
            if (const auto name = capability::ConstantName(family, *number)) return Widen(*name);
        }
        return std::to_wstring(*number);
    }
    if (const auto* flag = std::get_if<bool>(&item)) return *flag ? L"TRUE" : L"FALSE";
    if (const auto* real = std::get_if<double>(&item)) {
        wchar_t text[32];
        std::swprintf(text, std::size(text), L"%g", *real);
        return text;
    }
    if (const auto* frame = std::get_if<capability::Frame>(&item)) {
        wchar_t text[96];
        std::swprintf(text, std::size(text), L"(%g, %g, %g, %g)", frame->left, frame->top, frame->right, frame->bottom);
        return text;
    }
    return L"\"" + Widen(std::get<std::string>(item)) + L"\"";
}

namespace {

// The value the source holds now, when it can say.
std::optional<Item> CurrentValue(const SourceRef& source, std::uint16_t cap) {
    const CapabilityReply now = QueryCapability(source, cap, MSG_GETCURRENT);
    if (!now.ok() || !now.container) return std::nullopt;
    return CurrentItem(*now.container);
}

}  // namespace

std::optional<Failure> SetAndVerify(const SourceRef& source, std::uint16_t cap, const OneValue& value) {
    const CapabilityReply set = SetCapability(source, cap, value);
    if (!set.ok()) {
        // Some drivers refuse a SET even of the value they hold: then there is nothing to change.
        const bool refusedValue = set.problem.empty() && set.condition != TWCC_CAPUNSUPPORTED && set.condition != TWCC_BADCAP;
        const auto current = refusedValue ? CurrentValue(source, cap) : std::nullopt;
        if (current && SameItem(*current, value.item)) return std::nullopt;
        return Refusal(cap, value.item, set);
    }
    // A source that cannot report the value has taken it as far as anyone can tell.
    const auto current = CurrentValue(source, cap);
    if (!current || SameItem(*current, value.item)) return std::nullopt;
    return Failure{CapabilityLabel(cap), std::nullopt,
                   L"The source set " + CapabilityLabel(cap) + L" to " + DescribeItem(cap, *current) + L" instead of " +
                       DescribeItem(cap, value.item) + L"."};
}

std::optional<Failure> SetResolution(const SourceRef& source, double dpi) {
    if (!(dpi > 0)) return Failure{L"resolution", std::nullopt, L"A resolution must be a positive number of dots per inch."};
    // Inches are TWAIN's default unit; a source that refuses ICAP_UNITS is already in them or the
    // resolution check below says otherwise.
    const CapabilityReply units = SetCapability(source, ICAP_UNITS, Value(ICAP_UNITS, ItemType::UInt16, std::int64_t{TWUN_INCHES}));
    if (!units.ok() && units.condition != TWCC_CAPUNSUPPORTED && units.condition != TWCC_BADCAP)
        return Refusal(ICAP_UNITS, std::int64_t{TWUN_INCHES}, units);
    if (auto failure = SetAndVerify(source, ICAP_XRESOLUTION, Value(ICAP_XRESOLUTION, ItemType::Fix32, dpi))) return failure;
    return SetAndVerify(source, ICAP_YRESOLUTION, Value(ICAP_YRESOLUTION, ItemType::Fix32, dpi));
}

std::optional<Failure> SetColorMode(const SourceRef& source, ColorMode mode) {
    const std::int64_t pixelType = mode == ColorMode::BlackWhite ? TWPT_BW : mode == ColorMode::Gray ? TWPT_GRAY : TWPT_RGB;
    const std::int64_t depth = mode == ColorMode::BlackWhite ? 1 : mode == ColorMode::Gray ? 8 : 24;
    if (auto failure = SetAndVerify(source, ICAP_PIXELTYPE, Value(ICAP_PIXELTYPE, ItemType::UInt16, pixelType))) return failure;
    // The depth follows the pixel type; a source with one depth per type may not let it be set.
    const CapabilityReply set = SetCapability(source, ICAP_BITDEPTH, Value(ICAP_BITDEPTH, ItemType::UInt16, depth));
    if (set.ok() || set.condition == TWCC_CAPUNSUPPORTED) return std::nullopt;
    return Refusal(ICAP_BITDEPTH, depth, set);
}

std::optional<Failure> SetFeeder(const SourceRef& source, bool enabled) {
    if (auto failure = SetAndVerify(source, CAP_FEEDERENABLED, Value(CAP_FEEDERENABLED, ItemType::Bool, enabled))) return failure;
    if (!enabled) return std::nullopt;
    // Without automatic feeding each sheet would wait for a request of its own.
    const CapabilityReply feed = SetCapability(source, CAP_AUTOFEED, Value(CAP_AUTOFEED, ItemType::Bool, true));
    if (feed.ok() || feed.condition == TWCC_CAPUNSUPPORTED) return std::nullopt;
    return Refusal(CAP_AUTOFEED, true, feed);
}

std::optional<Failure> SetDuplex(const SourceRef& source, bool enabled) {
    return SetAndVerify(source, CAP_DUPLEXENABLED, Value(CAP_DUPLEXENABLED, ItemType::Bool, enabled));
}

std::optional<Failure> SetPaperSize(const SourceRef& source, const PaperSize& size) {
    const OneValue wanted = Value(ICAP_SUPPORTEDSIZES, ItemType::UInt16, std::int64_t{size.twss});
    const CapabilityReply set = SetCapability(source, ICAP_SUPPORTEDSIZES, wanted);
    if (set.ok()) return SetAndVerify(source, ICAP_SUPPORTEDSIZES, wanted);
    if (set.condition != TWCC_CAPUNSUPPORTED && set.condition != TWCC_BADCAP && set.condition != TWCC_BADVALUE)
        return Refusal(ICAP_SUPPORTEDSIZES, wanted.item, set);

    // No such size by name: ask for the frame itself, in inches.
    SetCapability(source, ICAP_UNITS, Value(ICAP_UNITS, ItemType::UInt16, std::int64_t{TWUN_INCHES}));
    TW_IMAGELAYOUT layout{};
    source.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout);
    const auto right = capability::DoubleToFix32(size.widthInches);
    const auto bottom = capability::DoubleToFix32(size.heightInches);
    const std::wstring name = Widen(size.name);
    if (!right || !bottom) return Failure{L"paper size", std::nullopt, L"The paper size " + name + L" cannot be described to the source."};
    layout.Frame.Left = TW_FIX32{};
    layout.Frame.Top = TW_FIX32{};
    layout.Frame.Right = TW_FIX32{static_cast<std::int16_t>(*right >> 16), static_cast<TW_UINT16>(*right & 0xFFFF)};
    layout.Frame.Bottom = TW_FIX32{static_cast<std::int16_t>(*bottom >> 16), static_cast<TW_UINT16>(*bottom & 0xFFFF)};
    const TW_UINT16 rc = source.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS) {
        // A source cuts a frame it cannot scan to one it can (TWRC_CHECKSTATUS): a smaller page
        // than asked for is a refusal, not a scan of something else.
        TW_IMAGELAYOUT taken{};
        if (source.Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &taken) != TWRC_SUCCESS) return std::nullopt;
        const double width = FrameSide(taken.Frame.Right) - FrameSide(taken.Frame.Left);
        const double height = FrameSide(taken.Frame.Bottom) - FrameSide(taken.Frame.Top);
        constexpr double kTolerance = 0.02;  // inches: rounding in the source's own units
        if (std::fabs(width - size.widthInches) <= kTolerance && std::fabs(height - size.heightInches) <= kTolerance)
            return std::nullopt;
        wchar_t text[160];
        std::swprintf(text, std::size(text), L" (%.2f x %.2f in); it set a frame of %.2f x %.2f in (DAT_IMAGELAYOUT).",
                      size.widthInches, size.heightInches, width, height);
        return Failure{L"paper size", std::nullopt, L"The source cannot scan the paper size " + name + text};
    }
    const std::uint16_t condition = ReadCondition(source);
    return Failure{L"paper size", condition,
                   L"The source refused the paper size " + name + L" (ICAP_SUPPORTEDSIZES and DAT_IMAGELAYOUT): " +
                       DescribeCondition(condition) + L"."};
}

std::optional<Failure> SetPageCount(const SourceRef& source, int count) {
    if (count == 0 || count < -1 || count > 32767)
        return Failure{L"pages", std::nullopt, L"A page count must be -1 (all) or between 1 and 32767."};
    return SetAndVerify(source, CAP_XFERCOUNT, Value(CAP_XFERCOUNT, ItemType::Int16, std::int64_t{count}));
}

std::optional<Failure> SetBrightness(const SourceRef& source, double value) {
    if (!(value >= -1000 && value <= 1000)) return Failure{L"brightness", std::nullopt, L"Brightness must be between -1000 and 1000."};
    return SetAndVerify(source, ICAP_BRIGHTNESS, Value(ICAP_BRIGHTNESS, ItemType::Fix32, value));
}

std::optional<Failure> SetContrast(const SourceRef& source, double value) {
    if (!(value >= -1000 && value <= 1000)) return Failure{L"contrast", std::nullopt, L"Contrast must be between -1000 and 1000."};
    return SetAndVerify(source, ICAP_CONTRAST, Value(ICAP_CONTRAST, ItemType::Fix32, value));
}

std::optional<Failure> SetIndicators(const SourceRef& source, bool shown) {
    const CapabilityReply set = SetCapability(source, CAP_INDICATORS, Value(CAP_INDICATORS, ItemType::Bool, shown));
    if (set.ok()) return std::nullopt;
    return Refusal(CAP_INDICATORS, shown, set);
}

namespace {

// A flag's current value; some sources answer a boolean as a number.
std::optional<bool> CurrentFlag(const SourceRef& source, std::uint16_t capability) {
    const CapabilityReply now = QueryCapability(source, capability, MSG_GETCURRENT);
    if (!now.ok() || !now.container) return std::nullopt;
    const auto item = CurrentItem(*now.container);
    if (!item) return std::nullopt;
    if (const auto* flag = std::get_if<bool>(&*item)) return *flag;
    if (const auto* number = std::get_if<std::int64_t>(&*item)) return *number != 0;
    return std::nullopt;
}

}  // namespace

std::optional<bool> FeederLoaded(const SourceRef& source) { return CurrentFlag(source, CAP_FEEDERLOADED); }

bool FeederEnabled(const SourceRef& source) { return CurrentFlag(source, CAP_FEEDERENABLED).value_or(false); }

}  // namespace vantrel::engine
