// Local time from Windows, the bias of daylight saving time included; an implausible bias counts as UTC.
#include "imaging/files/local_time.h"

#include <windows.h>

namespace vantrel::imaging {

PdfDate LocalNow() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    TIME_ZONE_INFORMATION zone{};
    const DWORD which = ::GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;  // minutes west of UTC
    if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    if (which == TIME_ZONE_ID_INVALID || bias <= -24 * 60 || bias >= 24 * 60) bias = 0;
    return PdfDate{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, static_cast<int>(-bias)};
}

}  // namespace vantrel::imaging
