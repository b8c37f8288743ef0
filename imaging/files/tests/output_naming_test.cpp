// The format a name asks for, and each page's name for single-page formats, from tables.
#include "imaging/files/output_naming.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vantrel::imaging {
namespace {

// The format from the extension, ignoring case; other names refused naming the extension and the accepted ones.
TEST(OutputNaming, FormatFromTheExtension) {
    const std::wstring accepted = L".bmp, .png, .jpg, .jpeg, .tif, .tiff or .pdf.";
    struct Case {
        const wchar_t* path;
        std::optional<FileFormat> format;
        std::wstring error;
    };
    for (const Case& c : {Case{L"C:\\scans\\a.bmp", FileFormat::Bmp, L""}, Case{L"a.PNG", FileFormat::Png, L""}, Case{L"a.jpg", FileFormat::Jpeg, L""},
                          Case{L"a.JpEg", FileFormat::Jpeg, L""}, Case{L"a.tif", FileFormat::Tiff, L""}, Case{L"C:\\x.pdf\\a.TIFF", FileFormat::Tiff, L""},
                          Case{L"a.b.pdf", FileFormat::Pdf, L""}, Case{L"\u00e9t\u00e9/scan.pdf", FileFormat::Pdf, L""},
                          Case{L"C:\\scans\\doc.gif", {}, L"Cannot write \"C:\\scans\\doc.gif\": the extension \".gif\" is not one of " + accepted},
                          Case{L"C:\\a.pdf\\scan", {}, L"Cannot write \"C:\\a.pdf\\scan\": the name has no extension; end it in " + accepted},
                          Case{L"scan.", {}, L"Cannot write \"scan.\": the extension \".\" is not one of " + accepted}}) {
        std::wstring error;
        EXPECT_EQ(FormatFromName(c.path, error), c.format) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
    }
    EXPECT_TRUE(HoldsManyPages(FileFormat::Tiff) && HoldsManyPages(FileFormat::Pdf));
    EXPECT_FALSE(HoldsManyPages(FileFormat::Bmp) || HoldsManyPages(FileFormat::Png) || HoldsManyPages(FileFormat::Jpeg));
}

TEST(OutputNaming, PageNamesForSinglePageFormats) {
    struct Case {
        const wchar_t* pattern;
        std::uint32_t page;
        const wchar_t* name;
    };
    for (const Case c : {
             Case{L"scan.png", 1, L"scan.png"},
             Case{L"scan.png", 2, L"scan-2.png"},
             Case{L"C:\\out\\scan.jpeg", 13, L"C:\\out\\scan-13.jpeg"},
             Case{L"C:\\a.b\\scan", 2, L"C:\\a.b\\scan-2"},
             Case{L"C:/a.b/scan.x.bmp", 3, L"C:/a.b/scan.x-3.bmp"},
             Case{L"page{page}.png", 1, L"page1.png"},
             Case{L"p{page}-{page}.png", 12, L"p12-12.png"},
             Case{L"C:\\{page}\\scan.png", 2, L"C:\\{page}\\scan-2.png"},
             Case{L"C:\\{page}\\s{page}.png", 2, L"C:\\{page}\\s2.png"},
             Case{L"D:scan.bmp", 2, L"D:scan-2.bmp"},
         }) {
        EXPECT_EQ(PageFileName(c.pattern, c.page), c.name) << c.pattern << " page " << c.page;
    }
}

}  // namespace
}  // namespace vantrel::imaging
