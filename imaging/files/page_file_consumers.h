// The consumers behind OpenPageFiles, one per kind of file, and what they share.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "imaging/files/output_naming.h"
#include "imaging/page_consumer.h"
#include "imaging/files/page_files.h"

namespace vantrel::imaging {

std::unique_ptr<PageConsumer> OpenSinglePageFiles(std::wstring_view pattern, FileFormat format, const FileOptions& options);
std::unique_ptr<PageConsumer> OpenTiffFile(std::wstring_view path, const FileOptions& options);
std::unique_ptr<PageConsumer> OpenPdfFile(std::wstring_view path, const FileOptions& options);

// The texts the consumers share, for the path they were writing.
std::wstring MalformedPageError(std::wstring_view path);
std::wstring FinishedError(std::wstring_view path);
// The cause when a page is to be JPEG-coded but has more than the 65535 pixels a side JPEG can hold; empty otherwise.
std::wstring JpegSizeCause(const PageImage& page);

}  // namespace vantrel::imaging
