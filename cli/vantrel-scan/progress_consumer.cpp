// A progress line for each page once the files have it.
#include "cli/vantrel-scan/progress_consumer.h"

#include "cli/vantrel-scan/console_output.h"
#include "cli/vantrel-scan/page_description.h"

namespace vantrel::scan {

bool ProgressConsumer::Take(const imaging::PageImage& page) {
    const std::size_t before = files_.Files().size();
    if (!files_.Take(page)) return false;
    ++pages_;
    if (quiet_) return true;
    // A page file is complete at once; a PDF or TIFF collects its pages under the output's name.
    const std::wstring& where = files_.Files().size() > before ? files_.Files().back().path : outputPath_;
    Write(Stream::Error, L"page " + std::to_wstring(pages_) + L": " + DescribePage(page) + L" -> " + where + L"\n");
    return true;
}

}  // namespace vantrel::scan
