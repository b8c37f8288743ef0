// Capability values: the one place that maps the source's settings onto TWAIN's item types.
#include "capabilities.h"

namespace vantrel::scanner {

using namespace twain;

namespace {

TW_UINT16 PixelType(ColourMode mode) {
    switch (mode) {
        case ColourMode::Colour: return TWPT_RGB;
        case ColourMode::Grey: return TWPT_GRAY;
        case ColourMode::BlackWhite: return TWPT_BW;
    }
    return TWPT_RGB;
}

// A TW_FIX32 as the four bytes of an Item: the whole part first, then the fraction.
TW_UINT32 Fix32Item(int whole) { return static_cast<TW_UINT16>(whole); }

}  // namespace

std::optional<OneValue> CurrentValue(TW_UINT16 cap, const CapabilityState& state) {
    switch (cap) {
        case CAP_INDICATORS: return OneValue{TWTY_BOOL, state.indicators ? 1u : 0u};
        case ICAP_PIXELTYPE: return OneValue{TWTY_UINT16, PixelType(state.settings.mode)};
        case ICAP_BITDEPTH: return OneValue{TWTY_UINT16, static_cast<TW_UINT32>(BitsPerPixel(state.settings.mode))};
        case ICAP_XRESOLUTION: return OneValue{TWTY_FIX32, Fix32Item(kDotsPerInch)};
        case ICAP_YRESOLUTION: return OneValue{TWTY_FIX32, Fix32Item(kDotsPerInch)};
        // One image per acquisition: the flatbed has a single page on its glass.
        case CAP_XFERCOUNT: return OneValue{TWTY_INT16, 1};
        case ICAP_XFERMECH: return OneValue{TWTY_UINT16, TWSX_NATIVE};
        default: return std::nullopt;
    }
}

TW_UINT16 SetValue(TW_UINT16 cap, const OneValue& value, CapabilityState& state) {
    if (!CurrentValue(cap, state)) return TWCC_CAPUNSUPPORTED;
    if (cap != CAP_INDICATORS) return TWCC_CAPBADOPERATION;
    if (value.itemType != TWTY_BOOL) return TWCC_BADVALUE;
    // A TW_BOOL is 16 bits wide; whatever sits in the upper half of Item is not part of it.
    state.indicators = (value.item & 0xFFFF) != 0;
    return TWCC_SUCCESS;
}

}  // namespace vantrel::scanner
