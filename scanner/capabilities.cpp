// Capability values and checks: one descriptor per capability, and the messages answered from it.
#include "scanner/capabilities.h"

#include "scanner/paper_sizes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantrel::scanner {

using namespace twain;

namespace {

enum class Shape { OneValue, Enumeration, Range, Array };

struct Descriptor {
    TW_UINT16 itemType;
    Shape shape;
    std::vector<TW_UINT32> values;  // ENUMERATION's choices, ARRAY's items
    TW_UINT32 current = 0;
    TW_UINT32 def = 0;
    TW_UINT32 min = 0;  // RANGE
    TW_UINT32 max = 0;
    bool settable = true;
    bool flag = false;  // a TW_BOOL answered as an enumeration of numbers
};

TW_UINT16 PixelType(ColourMode mode) {
    switch (mode) {
        case ColourMode::Colour: return TWPT_RGB;
        case ColourMode::Grey: return TWPT_GRAY;
        case ColourMode::BlackWhite: return TWPT_BW;
    }
    return TWPT_RGB;
}

ColourMode ModeOf(TW_UINT32 pixelType) {
    if (pixelType == TWPT_BW) return ColourMode::BlackWhite;
    if (pixelType == TWPT_GRAY) return ColourMode::Grey;
    return ColourMode::Colour;
}

TW_UINT32 Bool(bool value) { return value ? 1u : 0u; }

Descriptor Choice(std::vector<TW_UINT32> values, TW_UINT32 current, TW_UINT32 def, TW_UINT16 type = TWTY_UINT16) {
    return {type, Shape::Enumeration, std::move(values), current, def};
}

Descriptor Switch(bool current, bool def, const CapabilityState& state) {
    if (state.booleansAsEnums) return {TWTY_UINT16, Shape::Enumeration, {0, 1}, Bool(current), Bool(def), 0, 0, true, true};
    return {TWTY_BOOL, Shape::OneValue, {}, Bool(current), Bool(def)};
}

Descriptor FixedFlag(bool value, const CapabilityState& state) {
    const TW_UINT32 v = Bool(value);
    if (state.booleansAsEnums) return {TWTY_UINT16, Shape::Enumeration, {v}, v, v, 0, 0, false, true};
    return {TWTY_BOOL, Shape::OneValue, {}, v, v, 0, 0, false};
}

double PerInch(TW_UINT16 units, int dpi) {
    if (units == TWUN_CENTIMETERS) return 2.54;
    if (units == TWUN_PIXELS) return dpi;
    return 1;
}

TW_UINT32 Length(double inches, TW_UINT16 units, int dpi) { return ToFix32(inches * PerInch(units, dpi)); }

Descriptor Fixed(TW_UINT16 type, TW_UINT32 value) { return {type, Shape::OneValue, {}, value, value, 0, 0, false}; }

// What the colour limit leaves of the offered resolutions in the current mode.
bool Offered(int dpi, const CapabilityState& state) {
    return state.colourMaxDpi <= 0 || state.current.mode != ColourMode::Colour || dpi <= state.colourMaxDpi;
}

Descriptor Resolutions(int current, int def, const CapabilityState& state) {
    std::vector<TW_UINT32> values;
    for (int dpi : kResolutions)
        if (Offered(dpi, state)) values.push_back(ToFix32(dpi));
    return Choice(std::move(values), ToFix32(current), ToFix32(def), TWTY_FIX32);
}

Descriptor Level(int current, int def) {
    return {TWTY_FIX32, Shape::Range, {}, ToFix32(current), ToFix32(def), ToFix32(-1000), ToFix32(1000)};
}

// The clean-up capabilities offered, after the ones every session has.
std::vector<TW_UINT16> Listed(const CapabilityState& state) {
    std::vector<TW_UINT16> caps = SupportedCaps();
    if (state.offered.blank) caps.push_back(ICAP_AUTODISCARDBLANKPAGES);
    if (state.offered.deskew) caps.push_back(ICAP_AUTOMATICDESKEW);
    if (state.offered.border) caps.insert(caps.end(), {ICAP_AUTOMATICBORDERDETECTION, ICAP_UNDEFINEDIMAGESIZE});
    if (state.iccProfile) caps.push_back(ICAP_ICCPROFILE);
    return caps;
}

std::optional<Descriptor> Describe(TW_UINT16 cap, const CapabilityState& state) {
    const DeviceSettings& c = state.current;
    const DeviceSettings& d = state.defaults;
    switch (cap) {
        case CAP_XFERCOUNT:
            return Descriptor{TWTY_INT16, Shape::OneValue, {}, static_cast<TW_UINT16>(c.xferCount), 0xFFFF};
        case CAP_SUPPORTEDCAPS: {
            Descriptor list{TWTY_UINT16, Shape::Array, {}, 0, 0, 0, 0, false};
            for (TW_UINT16 supported : Listed(state)) list.values.push_back(supported);
            return list;
        }
        case CAP_FEEDERENABLED: return Switch(c.feederEnabled, d.feederEnabled, state);
        case CAP_FEEDERLOADED: return FixedFlag(state.feederLoaded, state);
        case CAP_AUTOFEED: return Switch(c.autoFeed, d.autoFeed, state);
        case CAP_INDICATORS: return Switch(c.indicators, d.indicators, state);
        case CAP_UICONTROLLABLE: return FixedFlag(true, state);
        case CAP_DEVICEONLINE: return FixedFlag(true, state);
        case CAP_DUPLEX: return Fixed(TWTY_UINT16, TWDX_1PASSDUPLEX);
        case CAP_DUPLEXENABLED: return Switch(c.duplexEnabled, d.duplexEnabled, state);
        case ICAP_COMPRESSION: return Choice({TWCP_NONE, CodedCompression(c.mode)}, c.compression, d.compression);
        case ICAP_PIXELTYPE: return Choice({TWPT_BW, TWPT_GRAY, TWPT_RGB}, PixelType(c.mode), PixelType(d.mode));
        case ICAP_BITDEPTH: {
            const auto bits = static_cast<TW_UINT32>(BitsPerPixel(c.mode));
            // Answering 0 while still taking the real depth, as drivers that know it only once scanning.
            if (state.bitDepthZero) return Choice({0, bits}, 0, 0);
            return Choice({bits}, bits, bits);  // one depth per pixel type
        }
        case ICAP_UNITS:
            if (state.otherUnits) return Choice({TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS}, c.units, d.units);
            return Choice({TWUN_INCHES}, TWUN_INCHES, TWUN_INCHES);
        case ICAP_XFERMECH: return Choice({TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, c.xferMech, d.xferMech);
        case ICAP_XRESOLUTION: return Resolutions(c.xDpi, d.xDpi, state);
        case ICAP_YRESOLUTION: return Resolutions(c.yDpi, d.yDpi, state);
        case ICAP_PHYSICALWIDTH: return Fixed(TWTY_FIX32, Length(state.physicalWidth, c.units, c.xDpi));
        case ICAP_PHYSICALHEIGHT: return Fixed(TWTY_FIX32, Length(state.physicalHeight, c.units, c.yDpi));
        case ICAP_PIXELFLAVOR: return Choice({TWPF_CHOCOLATE, TWPF_VANILLA}, c.pixelFlavor, d.pixelFlavor);
        case ICAP_BITORDER: return Choice({TWBO_MSBFIRST}, TWBO_MSBFIRST, TWBO_MSBFIRST);
        case ICAP_PLANARCHUNKY: return Choice({TWPC_CHUNKY}, TWPC_CHUNKY, TWPC_CHUNKY);
        case ICAP_SUPPORTEDSIZES: {
            std::vector<TW_UINT32> sizes{TWSS_NONE};
            for (const PaperSize& paper : kPaperSizes) sizes.push_back(paper.code);
            return Choice(std::move(sizes), c.paper, d.paper);
        }
        case ICAP_BRIGHTNESS: return Level(c.brightness, d.brightness);
        case ICAP_CONTRAST: return Level(c.contrast, d.contrast);
        case ICAP_IMAGEFILEFORMAT: return Choice({TWFF_TIFF, TWFF_BMP, TWFF_JFIF}, c.fileFormat, d.fileFormat);
        case ICAP_MAXFRAMES: return Descriptor{TWTY_UINT16, Shape::OneValue, {}, 1, 1};
        case ICAP_ICCPROFILE:
            if (!state.iccProfile) return std::nullopt;
            return Choice({TWIC_NONE, TWIC_EMBED}, c.iccProfile, d.iccProfile);
        default: break;
    }
    const bool fixed = state.offered.fixed;
    if (cap == ICAP_AUTODISCARDBLANKPAGES && state.offered.blank)
        return Descriptor{TWTY_INT32, Shape::OneValue, {}, static_cast<TW_UINT32>(c.discardBlank), static_cast<TW_UINT32>(d.discardBlank),
                          0, 0, !fixed};
    if (cap == ICAP_AUTOMATICDESKEW && state.offered.deskew) return fixed ? FixedFlag(false, state) : Switch(c.autoDeskew, d.autoDeskew, state);
    if (cap == ICAP_AUTOMATICBORDERDETECTION && state.offered.border) return Switch(c.autoBorder, d.autoBorder, state);
    if (cap == ICAP_UNDEFINEDIMAGESIZE && state.offered.border) return Switch(c.undefinedSize, d.undefinedSize, state);
    return std::nullopt;
}

Container OneValue(TW_UINT16 type, TW_UINT32 value) { return {TWON_ONEVALUE, type, {value}}; }

Container FullContainer(const Descriptor& d) {
    switch (d.shape) {
        case Shape::OneValue: return OneValue(d.itemType, d.current);
        case Shape::Array: return {TWON_ARRAY, d.itemType, d.values};
        case Shape::Range: return {TWON_RANGE, d.itemType, {}, 0, 0, d.min, d.max, ToFix32(1), d.def, d.current};
        case Shape::Enumeration: break;
    }
    const auto at = [&](TW_UINT32 value) {
        const auto found = std::find(d.values.begin(), d.values.end(), value);
        return static_cast<TW_UINT32>(found == d.values.end() ? 0 : found - d.values.begin());
    };
    return {TWON_ENUMERATION, d.itemType, d.values, at(d.current), at(d.def)};
}

Reply Failure(TW_UINT16 cc) { return {TWRC_FAILURE, cc, std::nullopt}; }

// Stores an accepted raw value; the checks have been made.
void Store(TW_UINT16 cap, TW_UINT32 value, CapabilityState& state) {
    DeviceSettings& c = state.current;
    switch (cap) {
        case CAP_XFERCOUNT: c.xferCount = static_cast<std::int16_t>(value); break;
        case CAP_FEEDERENABLED: c.feederEnabled = value != 0; break;
        case CAP_AUTOFEED: c.autoFeed = value != 0; break;
        case CAP_INDICATORS: c.indicators = value != 0; break;
        case CAP_DUPLEXENABLED: c.duplexEnabled = value != 0; break;
        case ICAP_PIXELTYPE:
            c.mode = ModeOf(value);
            // Colour brings the resolution down to what it allows.
            if (!Offered(c.xDpi, state)) c.xDpi = state.colourMaxDpi;
            if (!Offered(c.yDpi, state)) c.yDpi = state.colourMaxDpi;
            // JPEG has no 1-bit pages and Group 4 no grey ones: another pixel type's pages come raw.
            if (c.compression != CodedCompression(c.mode)) c.compression = TWCP_NONE;
            break;
        case ICAP_COMPRESSION: c.compression = static_cast<TW_UINT16>(value); break;
        case ICAP_IMAGEFILEFORMAT: c.fileFormat = static_cast<TW_UINT16>(value); break;
        case ICAP_AUTODISCARDBLANKPAGES: c.discardBlank = static_cast<std::int32_t>(value); break;
        case ICAP_AUTOMATICDESKEW: c.autoDeskew = value != 0; break;
        case ICAP_AUTOMATICBORDERDETECTION: c.autoBorder = value != 0; break;
        case ICAP_UNDEFINEDIMAGESIZE:
            c.undefinedSize = value != 0;
            c.autoBorder = c.autoBorder && c.undefinedSize;
            break;
        case ICAP_ICCPROFILE: c.iccProfile = static_cast<TW_UINT16>(value); break;
        case ICAP_XFERMECH: c.xferMech = static_cast<TW_UINT16>(value); break;
        case ICAP_UNITS: c.units = static_cast<TW_UINT16>(value); break;
        case ICAP_XRESOLUTION: c.xDpi = static_cast<int>(std::lround(FromFix32(value))); break;
        case ICAP_YRESOLUTION: c.yDpi = static_cast<int>(std::lround(FromFix32(value))); break;
        case ICAP_PIXELFLAVOR: c.pixelFlavor = static_cast<TW_UINT16>(value); break;
        case ICAP_BRIGHTNESS: c.brightness = static_cast<int>(std::lround(FromFix32(value))); break;
        case ICAP_CONTRAST: c.contrast = static_cast<int>(std::lround(FromFix32(value))); break;
        case ICAP_SUPPORTEDSIZES: {
            c.paper = static_cast<TW_UINT16>(value);
            if (const PaperSize* paper = FindPaper(c.paper)) c.frame = Frame{0, 0, paper->width, paper->height};
            if (c.paper == TWSS_NONE) c.frame = state.defaults.frame;
            break;
        }
        default: break;  // the one-choice capabilities: nothing to change
    }
}

// The nearest offered resolution to `raw`, or none when it lies outside what the scanner can do.
std::optional<TW_UINT32> NearestResolution(TW_UINT32 raw) {
    const double wanted = FromFix32(raw);
    if (wanted < kResolutions[0] - 0.5 || wanted > kResolutions[std::size(kResolutions) - 1] + 0.5) return std::nullopt;
    int best = kResolutions[0];
    for (int dpi : kResolutions) {
        if (std::abs(dpi - wanted) < std::abs(best - wanted)) best = dpi;
    }
    return ToFix32(best);
}

Reply Set(TW_UINT16 cap, const Descriptor& d, CapabilityState& state, const Container* request) {
    if (!d.settable) return Failure(TWCC_CAPBADOPERATION);
    if (!request || request->conType != TWON_ONEVALUE || request->items.size() != 1) return Failure(TWCC_BADVALUE);
    const bool boolForFlag = d.flag && request->itemType == TWTY_BOOL;
    if (request->itemType != d.itemType && !boolForFlag) return Failure(TWCC_BADVALUE);
    // Only the item type's own bytes count; whatever sits above a 16-bit value is not part of it.
    TW_UINT32 value = request->items.front();
    if (ItemSize(request->itemType) == 2) value &= 0xFFFF;
    if (d.flag) value = value != 0 ? 1 : 0;
    TW_UINT16 rc = TWRC_SUCCESS;
    switch (d.shape) {
        case Shape::OneValue:
            if (cap == CAP_XFERCOUNT) {
                const auto count = static_cast<std::int16_t>(value);
                if (count == 0 || count < -1) return Failure(TWCC_BADVALUE);
            }
            if (d.itemType == TWTY_BOOL) value = value != 0 ? 1 : 0;
            if (cap == ICAP_MAXFRAMES && value != 1) return Failure(TWCC_BADVALUE);  // one frame per page
            // TWBP_DISABLE, TWBP_AUTO, or the largest size in bytes of a page still taken as blank.
            if (cap == ICAP_AUTODISCARDBLANKPAGES && (static_cast<std::int32_t>(value) < TWBP_DISABLE || value == 0))
                return Failure(TWCC_BADVALUE);
            break;
        case Shape::Range: {
            const double wanted = FromFix32(value);
            if (wanted < FromFix32(d.min) || wanted > FromFix32(d.max)) return Failure(TWCC_BADVALUE);
            const TW_UINT32 whole = ToFix32(std::round(wanted));
            if (whole != value) rc = TWRC_CHECKSTATUS;
            value = whole;
            break;
        }
        case Shape::Enumeration:
            if (std::find(d.values.begin(), d.values.end(), value) != d.values.end()) break;
            if (cap != ICAP_XRESOLUTION && cap != ICAP_YRESOLUTION) return Failure(TWCC_BADVALUE);
            if (const std::optional<TW_UINT32> nearest = NearestResolution(value); nearest && Offered(static_cast<int>(FromFix32(*nearest)), state)) {
                value = *nearest;
                rc = TWRC_CHECKSTATUS;
                break;
            }
            return Failure(TWCC_BADVALUE);
        case Shape::Array: return Failure(TWCC_CAPBADOPERATION);
    }
    if (cap == CAP_AUTOFEED && !state.current.feederEnabled) return Failure(TWCC_CAPSEQERROR);
    if (cap == ICAP_AUTOMATICBORDERDETECTION && value != 0 && !state.current.undefinedSize) return Failure(TWCC_CAPSEQERROR);
    Store(cap, value, state);
    return {rc, TWCC_SUCCESS, std::nullopt};
}

Container FrameValue(const Frame& f) {
    return {TWON_ONEVALUE, TWTY_FRAME, {ToFix32(f.left), ToFix32(f.top), ToFix32(f.right), ToFix32(f.bottom)}};
}

// ICAP_FRAMES: the one frame there is, the image layout's, in the current units.
Reply AnswerFrames(TW_UINT16 msg, CapabilityState& state, const Container* request) {
    const auto answer = [&](const Frame& f) { return Reply{TWRC_SUCCESS, TWCC_SUCCESS, FrameValue(InUnits(f, state.current))}; };
    switch (msg) {
        case MSG_GET:
        case MSG_GETCURRENT: return answer(state.current.frame);
        case MSG_GETDEFAULT: return answer(state.defaults.frame);
        case MSG_QUERYSUPPORT:
            return {TWRC_SUCCESS, TWCC_SUCCESS, OneValue(TWTY_INT32, TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT | TWQC_SET | TWQC_RESET)};
        case MSG_RESET: ResetLayout(state); return answer(state.current.frame);
        case MSG_SET: {
            if (!request || request->conType != TWON_ONEVALUE || request->itemType != TWTY_FRAME || request->items.size() != 4)
                return Failure(TWCC_BADVALUE);
            const std::vector<TW_UINT32>& side = request->items;
            return SetLayout(InInches({FromFix32(side[0]), FromFix32(side[1]), FromFix32(side[2]), FromFix32(side[3])}, state.current),
                             state);
        }
        default: return Failure(TWCC_CAPBADOPERATION);
    }
}

}  // namespace

CapabilityState StateFrom(const ScanSettings& environment) {
    CapabilityState state;
    state.defaults.mode = environment.mode;
    state.defaults.frame = Frame{0, 0, environment.width / static_cast<double>(kDotsPerInch),
                                 environment.height / static_cast<double>(kDotsPerInch)};
    state.physicalWidth = std::max(state.physicalWidth, state.defaults.frame.right);
    state.physicalHeight = std::max(state.physicalHeight, state.defaults.frame.bottom);
    state.current = state.defaults;
    return state;
}

Frame InUnits(const Frame& f, const DeviceSettings& s) {
    const double x = PerInch(s.units, s.xDpi);
    const double y = PerInch(s.units, s.yDpi);
    return {f.left * x, f.top * y, f.right * x, f.bottom * y};
}

Frame InInches(const Frame& f, const DeviceSettings& s) {
    const double x = PerInch(s.units, s.xDpi);
    const double y = PerInch(s.units, s.yDpi);
    return {f.left / x, f.top / y, f.right / x, f.bottom / y};
}

PixelSize ImageSize(const DeviceSettings& s) {
    const auto side = [](double inches, int dpi) { return std::max(1, static_cast<int>(std::lround(inches * dpi))); };
    return {side(s.frame.right - s.frame.left, s.xDpi), side(s.frame.bottom - s.frame.top, s.yDpi)};
}

const std::vector<TW_UINT16>& SupportedCaps() {
    static const std::vector<TW_UINT16> caps = {
        CAP_XFERCOUNT,       CAP_SUPPORTEDCAPS,   CAP_FEEDERENABLED,    CAP_FEEDERLOADED,  CAP_AUTOFEED,
        CAP_INDICATORS,      CAP_UICONTROLLABLE,  CAP_DEVICEONLINE,     CAP_DUPLEX,        CAP_DUPLEXENABLED,
        ICAP_COMPRESSION,    ICAP_PIXELTYPE,      ICAP_BITDEPTH,        ICAP_UNITS,        ICAP_XFERMECH,
        ICAP_XRESOLUTION,    ICAP_YRESOLUTION,    ICAP_PHYSICALWIDTH,   ICAP_PHYSICALHEIGHT, ICAP_PIXELFLAVOR,
        ICAP_BITORDER,       ICAP_PLANARCHUNKY,   ICAP_SUPPORTEDSIZES,  ICAP_BRIGHTNESS,   ICAP_CONTRAST,
        ICAP_IMAGEFILEFORMAT, ICAP_FRAMES,        ICAP_MAXFRAMES,
    };
    return caps;
}

Reply AnswerCapability(TW_UINT16 msg, TW_UINT16 cap, CapabilityState& state, const Container* request) {
    if (cap == ICAP_FRAMES) return AnswerFrames(msg, state, request);
    const std::optional<Descriptor> d = Describe(cap, state);
    if (!d) return Failure(TWCC_CAPUNSUPPORTED);
    const bool list = d->shape == Shape::Array || d->flag;  // a flag's whole enumeration, as such drivers answer
    switch (msg) {
        case MSG_GET: return {TWRC_SUCCESS, TWCC_SUCCESS, FullContainer(*d)};
        case MSG_GETCURRENT:
            return {TWRC_SUCCESS, TWCC_SUCCESS, list ? FullContainer(*d) : OneValue(d->itemType, d->current)};
        case MSG_GETDEFAULT: {
            Descriptor byDefault = *d;  // a flag's enumeration then points at its default
            byDefault.current = d->def;
            return {TWRC_SUCCESS, TWCC_SUCCESS, list ? FullContainer(byDefault) : OneValue(d->itemType, d->def)};
        }
        case MSG_QUERYSUPPORT: {
            TW_UINT32 flags = TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT;
            if (d->settable) flags |= TWQC_SET | TWQC_RESET;
            return {TWRC_SUCCESS, TWCC_SUCCESS, OneValue(TWTY_INT32, flags)};
        }
        case MSG_RESET: {
            if (!d->settable) return Failure(TWCC_CAPBADOPERATION);
            // The default may depend on the feeder (CAP_AUTOFEED), so it is stored without the checks.
            Store(cap, d->def, state);
            return {TWRC_SUCCESS, TWCC_SUCCESS, FullContainer(*Describe(cap, state))};
        }
        case MSG_SET: return Set(cap, *d, state, request);
        default: return Failure(TWCC_CAPBADOPERATION);
    }
}

OwnCleanup Doing(const DeviceSettings& s) { return {s.discardBlank != TWBP_DISABLE, s.autoDeskew, s.autoBorder}; }

void ResetAll(CapabilityState& state) { state.current = state.defaults; }

void ResetLayout(CapabilityState& state) {
    state.current.frame = state.defaults.frame;
    state.current.paper = TWSS_NONE;
}

Reply SetLayout(const Frame& frame, CapabilityState& state) {
    if (!(frame.right > frame.left) || !(frame.bottom > frame.top)) return Failure(TWCC_BADVALUE);
    Frame cut{std::max(frame.left, 0.0), std::max(frame.top, 0.0), std::min(frame.right, state.physicalWidth),
              std::min(frame.bottom, state.physicalHeight)};
    if (!(cut.right > cut.left) || !(cut.bottom > cut.top)) return Failure(TWCC_BADVALUE);
    const bool changed = cut.left != frame.left || cut.top != frame.top || cut.right != frame.right || cut.bottom != frame.bottom;
    state.current.frame = cut;
    state.current.paper = TWSS_NONE;
    return {changed ? TWRC_CHECKSTATUS : TWRC_SUCCESS, TWCC_SUCCESS, std::nullopt};
}

}  // namespace vantrel::scanner
