// A stored page in the words of the progress lines: "A4, 300 dpi, grey".
#pragma once

#include "imaging/page_image.h"

#include <string>

namespace vantrel::scan {

// The paper size when the page matches one within a few hundredths of an inch, else its pixels.
std::wstring DescribePage(const imaging::PageImage& page);

}  // namespace vantrel::scan
