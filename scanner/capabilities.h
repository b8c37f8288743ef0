// The capabilities this source reports and accepts, as TW_ONEVALUE items (pure logic).
#pragma once

#include "scan_settings.h"
#include "twain_source_records.h"

#include <optional>

namespace vantrel::scanner {

// What a source keeps that its capabilities report.
struct CapabilityState {
    ScanSettings settings;
    bool indicators = true;  // TWAIN's default: show progress unless told otherwise
};

struct OneValue {
    twain::TW_UINT16 itemType;
    twain::TW_UINT32 item;  // the value as it sits in TW_ONEVALUE::Item (small types in the low bytes)
};

// The current value of `cap`; none for a capability this source does not support.
std::optional<OneValue> CurrentValue(twain::TW_UINT16 cap, const CapabilityState& state);

// Applies MSG_SET of `cap` to `state`. Only CAP_INDICATORS can be set, and only with a TWTY_BOOL.
// Returns the condition code: TWCC_SUCCESS, TWCC_CAPUNSUPPORTED, TWCC_CAPBADOPERATION (a known
// but read-only capability) or TWCC_BADVALUE.
twain::TW_UINT16 SetValue(twain::TW_UINT16 cap, const OneValue& value, CapabilityState& state);

}  // namespace vantrel::scanner
