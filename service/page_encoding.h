// A scanned page in the format a client asked for, ready to be queued and sent.
#pragma once

#include "imaging/page_image.h"
#include "service/job_table.h"

#include <optional>
#include <string>

namespace vantrel::service {

// `format` is one of DocumentFormats(); nullopt for a page that cannot be coded.
std::optional<EncodedPage> EncodePage(const imaging::PageImage& page, const std::string& format, int jpegQuality);

}  // namespace vantrel::service
