// The source's identity record.
#include "scanner/source_identity.h"

#include <cstring>

namespace vantrel::scanner {
namespace {

// Copies at most 32 characters and always terminates, as a TW_STR32 requires.
void CopyStr32(twain::TW_STR32& field, const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 2);
}

}  // namespace

void DescribeSource(twain::TW_IDENTITY& identity) {
    using namespace twain;
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    CopyStr32(identity.Version.Info, "1.0 sample document scanner");
    identity.ProtocolMajor = kSourceProtocolMajor;
    identity.ProtocolMinor = kSourceProtocolMinor;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
    CopyStr32(identity.Manufacturer, kManufacturer);
    CopyStr32(identity.ProductFamily, kProductFamily);
    CopyStr32(identity.ProductName, kProductName);
}

}  // namespace vantrel::scanner
