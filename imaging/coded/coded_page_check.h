// Whether a scanner's coded page really is the page it described, before its bytes are stored as they are.
#pragma once

#include <string>

#include "imaging/coded_page.h"

namespace vantrel::imaging {

// Empty when the bytes are the page; otherwise what is wrong, in words for a message. JPEG: a complete baseline
// (or extended sequential) stream, 8-bit, whose frame has the page's width, height and components (1 for grey,
// 3 for colour). Group 4: a 1-bit page whose data decodes to exactly its rows and columns.
std::string CheckCodedPage(const CodedPage& page);

}  // namespace vantrel::imaging
