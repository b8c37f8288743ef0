// The settings people use most, as plain operations on an open source. Each returns nothing when
// the source took the value, otherwise the failure that names the setting and the condition code:
// a refused setting must never turn into a scan with other settings.
#pragma once

#include "twain/capability/capability_value.h"
#include "engine/color_mode.h"
#include "engine/failure.h"
#include "engine/paper_sizes.h"
#include "engine/source_ref.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::engine {

// Sets the one value and reads it back: a source that answers success but keeps another value is an error too.
std::optional<Failure> SetAndVerify(const SourceRef& source, std::uint16_t capability, const capability::OneValue& value);

std::optional<Failure> SetResolution(const SourceRef& source, double dpi);  // ICAP_UNITS inches, ICAP_X/YRESOLUTION
std::optional<Failure> SetColorMode(const SourceRef& source, ColorMode mode);  // ICAP_PIXELTYPE, then ICAP_BITDEPTH
std::optional<Failure> SetFeeder(const SourceRef& source, bool enabled);      // CAP_FEEDERENABLED, CAP_AUTOFEED
std::optional<Failure> SetDuplex(const SourceRef& source, bool enabled);      // CAP_DUPLEXENABLED
std::optional<Failure> SetPaperSize(const SourceRef& source, const PaperSize& size);  // ICAP_SUPPORTEDSIZES, else DAT_IMAGELAYOUT
std::optional<Failure> SetPageCount(const SourceRef& source, int count);      // CAP_XFERCOUNT, -1 for all
std::optional<Failure> SetBrightness(const SourceRef& source, double value);  // ICAP_BRIGHTNESS, -1000 to 1000
std::optional<Failure> SetContrast(const SourceRef& source, double value);    // ICAP_CONTRAST, -1000 to 1000
std::optional<Failure> SetIndicators(const SourceRef& source, bool shown);    // CAP_INDICATORS
// CAP_FEEDERLOADED, or nullopt when the source cannot tell.
std::optional<bool> FeederLoaded(const SourceRef& source);
// CAP_FEEDERENABLED is TRUE now; false also when the source cannot say.
bool FeederEnabled(const SourceRef& source);

// The value a container holds now: a one-value's item, an enumeration's or a range's current item.
std::optional<capability::Item> CurrentItem(const capability::Container& container);
// A value in words for messages: a constant's name where the capability has a family (TWPT_GRAY).
std::wstring DescribeItem(std::uint16_t capability, const capability::Item& item);

}  // namespace vantrel::engine
