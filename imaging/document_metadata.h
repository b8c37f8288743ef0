// What a document says about itself (PDF's document information and XMP, TIFF's text tags), and who made it.
#pragma once

#include <string>

#include "product_version.h"

namespace vantrel::imaging {

// UTF-8; an empty text is left out of the file.
struct DocumentMetadata {
    std::string title = {};
    std::string author = {};
    std::string subject = {};
    std::string keywords = {};
};

// PDF's Creator and Producer, TIFF's Software.
inline constexpr char kProductAndVersion[] = "Vantrel " VANTREL_VERSION_TEXT;

}  // namespace vantrel::imaging
