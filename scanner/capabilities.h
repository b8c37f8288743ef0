// The capabilities this source negotiates: its settings, every message on them, and the image layout (pure logic).
#pragma once

#include "scanner/capability_container.h"
#include "scanner/document_pages.h"
#include "scanner/scan_settings.h"

#include <optional>
#include <vector>

namespace vantrel::scanner {

// Inches from the top left of the scan area.
struct Frame {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

struct DeviceSettings {
    ColourMode mode = ColourMode::Colour;
    int xDpi = kDotsPerInch;
    int yDpi = kDotsPerInch;
    Frame frame{0, 0, 4, 3};
    twain::TW_UINT16 paper = twain::TWSS_NONE;
    int brightness = 0;
    int contrast = 0;
    bool indicators = true;  // TWAIN's default: show progress unless told otherwise
    bool feederEnabled = false;
    bool autoFeed = true;
    bool duplexEnabled = false;
    int xferCount = -1;  // every page there is
    twain::TW_UINT16 xferMech = twain::TWSX_NATIVE;
    twain::TW_UINT16 pixelFlavor = twain::TWPF_CHOCOLATE;
    twain::TW_UINT16 units = twain::TWUN_INCHES;  // of frames and physical sizes; resolutions stay per inch
    twain::TW_UINT16 compression = twain::TWCP_NONE;  // memory and file transfers: none, or the pixel type's own coding
    twain::TW_UINT16 fileFormat = twain::TWFF_BMP;    // file transfers: BMP, TIFF or JFIF
    // The scanner's own clean-up, where offered: TWBP_DISABLE, TWBP_AUTO or a size in bytes (any discards blank pages).
    std::int32_t discardBlank = twain::TWBP_DISABLE;
    bool autoDeskew = false;
    bool autoBorder = false;     // only with undefinedSize: the page's length is found while scanning
    bool undefinedSize = false;
    twain::TW_UINT16 iccProfile = twain::TWIC_NONE;   // taken but not acted on: its files carry no profile
};

// The clean-up these settings have the scanner do.
OwnCleanup Doing(const DeviceSettings& settings);

// The compression this source codes pages of `mode` in besides none: Group 4 for black and white, JPEG otherwise.
constexpr twain::TW_UINT16 CodedCompression(ColourMode mode) {
    return mode == ColourMode::BlackWhite ? twain::TWCP_GROUP4 : twain::TWCP_JPEG;
}

struct CapabilityState {
    DeviceSettings current;
    DeviceSettings defaults;
    double physicalWidth = 8.5;  // inches: the glass and the feeder take up to US legal
    double physicalHeight = 14;
    bool feederLoaded = true;
    // Colour only up to this resolution, as scanners whose colour sensor is slower than their
    // black-and-white one; 0 when colour has every resolution.
    int colourMaxDpi = 0;
    // Habits of real drivers (see Quirks): TW_BOOL capabilities answered as enumerations of
    // TWTY_UINT16 0 and 1 (a TW_BOOL SET still taken); ICAP_BITDEPTH answered as 0; centimetres
    // and pixels offered besides inches.
    bool booleansAsEnums = false;
    bool bitDepthZero = false;
    bool otherUnits = false;
    OwnCleanup offered;  // which of its own clean-up capabilities the scanner has
    // ICAP_ICCPROFILE offered and DAT_ICCPROFILE answered for colour pages (VANTREL_SCANNER_ICC=1).
    bool iccProfile = false;
};

// A frame in inches in the current units, and back (pixels at the current resolution).
Frame InUnits(const Frame& inches, const DeviceSettings& settings);
Frame InInches(const Frame& inUnits, const DeviceSettings& settings);

// The state a session opens with: the environment's mode and size (pixels at 100 dpi) as defaults.
CapabilityState StateFrom(const ScanSettings& environment);

// The resolutions this source offers, as document scanners do: a list of the usual values.
inline constexpr int kResolutions[] = {75, 100, 150, 200, 240, 300, 400, 600, 1200};

// The image's size in pixels for these settings (at least 1 x 1).
struct PixelSize {
    int width;
    int height;
};
PixelSize ImageSize(const DeviceSettings& settings);

// Every capability this source supports, in the order CAP_SUPPORTEDCAPS lists them.
const std::vector<twain::TW_UINT16>& SupportedCaps();

struct Reply {
    twain::TW_UINT16 rc;  // TWRC_SUCCESS, TWRC_CHECKSTATUS (a value rounded) or TWRC_FAILURE
    twain::TW_UINT16 cc;  // the condition for DAT_STATUS
    std::optional<Container> container;  // what goes back to the application, if anything
};

// One DAT_CAPABILITY message (MSG_GET, GETCURRENT, GETDEFAULT, RESET, SET, QUERYSUPPORT) on
// `cap`. `request` is the application's container for MSG_SET (null when it could not be read).
// GET answers with the capability's own container (ENUMERATION, RANGE, ARRAY or ONEVALUE),
// GETCURRENT and GETDEFAULT with a ONEVALUE (an ARRAY for list-valued capabilities), RESET like
// GET after going back to the default. Failures: TWCC_CAPUNSUPPORTED (not this source's),
// TWCC_CAPBADOPERATION (read-only, or an unknown message), TWCC_BADVALUE (wrong container, type
// or value), TWCC_CAPSEQERROR (needs another capability first: CAP_AUTOFEED needs the feeder).
Reply AnswerCapability(twain::TW_UINT16 msg, twain::TW_UINT16 cap, CapabilityState& state, const Container* request);

// MSG_RESETALL: every capability back to its default.
void ResetAll(CapabilityState& state);

// DAT_IMAGELAYOUT and ICAP_FRAMES MSG_RESET: the default frame, no paper size.
void ResetLayout(CapabilityState& state);

// DAT_IMAGELAYOUT MSG_SET and ICAP_FRAMES MSG_SET: the frame (inches) must have a positive size; parts outside the
// physical area are cut off (TWRC_CHECKSTATUS). The paper size becomes TWSS_NONE.
Reply SetLayout(const Frame& frame, CapabilityState& state);

}  // namespace vantrel::scanner
