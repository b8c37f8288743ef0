// The format a name asks for, and each page's name for single-page formats, from tables.
#include "imaging/files/output_naming.h"
#include "imaging/files/recovery_rule.h"

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

// A temporary name read back gives the target's name and the writer's id; names of others are not ours to touch.
TEST(OutputNaming, TemporaryNamesAndRecoveredNames) {
    EXPECT_EQ(TemporaryPath(L"C:\\scans\\doc.pdf", 4242, 7), L"C:\\scans\\.doc.pdf.~vantrel-4242-7.tmp");
    struct Case {
        const wchar_t* name;
        std::optional<std::wstring> target;
        unsigned long id;
    };
    for (const Case& c : {Case{L".doc.pdf.~vantrel-4242-7.tmp", L"doc.pdf", 4242}, Case{L".a.~vantrel-x.tmp.~vantrel-4294967295-0.tmp", L"a.~vantrel-x.tmp", 4294967295},
                          Case{L".doc.pdf.~vantrel-4294967296-0.tmp", {}, 0}, Case{L"doc.pdf.~vantrel-1-0.tmp", {}, 0},
                          Case{L"..~vantrel-1-0.tmp", {}, 0}, Case{L".doc.pdf.~vantrel-1-.tmp", {}, 0}, Case{L".doc.pdf.~vantrel--1.tmp", {}, 0},
                          Case{L".doc.pdf.~vantrel-1-2.tmpx", {}, 0}, Case{L".doc.pdf.~vantrel-1x-2.tmp", {}, 0}}) {
        const auto parsed = ParseTemporaryName(c.name);
        EXPECT_EQ(parsed ? std::optional(parsed->target) : std::nullopt, c.target) << c.name;
        if (parsed) EXPECT_EQ(parsed->processId, c.id) << c.name;
    }
    EXPECT_EQ(RecoveredPath(L"C:\\scans\\doc.pdf", 1), L"C:\\scans\\doc.recovered.pdf");
    EXPECT_EQ(RecoveredPath(L"C:\\a.b\\doc.tif", 3), L"C:\\a.b\\doc.recovered-3.tif");
    EXPECT_EQ(FolderOf(L"C:\\scans\\doc.pdf"), L"C:\\scans\\");
    EXPECT_EQ(FolderOf(L"doc.pdf"), L"");
    EXPECT_EQ(RecoveredText(295, L"C:\\scans\\doc.recovered.pdf"), L"Recovered 295 pages of an interrupted scan into C:\\scans\\doc.recovered.pdf.");
    EXPECT_EQ(RecoveredText(1, L"d.tif"), L"Recovered 1 page of an interrupted scan into d.tif.");
}

// A file is recovered only when its writer cannot still be writing it.
TEST(RecoveryRule, AFileIsLeftAloneWhileItsWriterMayRun) {
    struct Case {
        WriterProcess process;
        std::uint64_t started, created;
        bool leftAlone;
    };
    for (const Case& c : {Case{WriterProcess::Running, 100, 200, true}, Case{WriterProcess::Running, 200, 200, true},
                          Case{WriterProcess::Running, 201, 200, false}, Case{WriterProcess::Unknown, 900, 200, true},
                          Case{WriterProcess::Exited, 100, 200, false}, Case{WriterProcess::Gone, 0, 200, false}}) {
        EXPECT_EQ(MayStillBeWriting(c.process, c.started, c.created), c.leftAlone) << int(c.process) << " " << c.started;
    }
}

}  // namespace
}  // namespace vantrel::imaging
