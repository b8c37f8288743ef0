// The system clock's local time with its offset from UTC, as the documents record it.
#pragma once

#include "imaging/pdf/pdf_text.h"

namespace vantrel::imaging {

PdfDate LocalNow();

}  // namespace vantrel::imaging
