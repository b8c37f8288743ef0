// The page consumers writing real files under Wine; the checker run afterwards decodes what they leave in CheckDirectory().
#include "imaging/files/page_files.h"

#include "imaging/files/tests/checked_files.h"
#include "tests/fixtures/test_directory.h"
#include "imaging/files/tests/test_pages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vantrel::imaging {
namespace {

namespace fs = std::filesystem;
using files_testing::CheckDirectory;
using files_testing::Expect;
using files_testing::PageOf;

constexpr std::uint32_t kA4Width = 2480;  // A4 at 300 dpi
constexpr std::uint32_t kA4Height = 3508;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<PageConsumer> Open(const fs::path& path, const FileOptions& options = {}) {
    std::wstring error;
    auto consumer = OpenPageFiles(path.wstring(), options, error);
    EXPECT_TRUE(consumer) << fs::path(error).string();
    return consumer;
}

std::string Narrow(const std::wstring& text) { return fs::path(text).string(); }

TEST(PageFiles, SinglePageFormatsWriteEachPageWhenItArrives) {
    struct Case {
        const wchar_t* name;
        const char* encoding;
    };
    const PixelFormat formats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};
    const std::uint32_t widths[] = {1, 7, 2481};
    for (const Case c : {Case{L"single.bmp", "exact"}, Case{L"single.png", "exact"}, Case{L"single.jpg", "jpeg"}}) {
        const fs::path pattern = CheckDirectory() / c.name;
        auto consumer = Open(pattern);
        ASSERT_TRUE(consumer);
        for (int i = 0; i < 3; ++i) {
            const auto page = PageOf(formats[i], widths[i], 37, i == 0 ? 300 : 200);
            ASSERT_TRUE(consumer->Take(page.View())) << Narrow(consumer->Error());
            // In place already: a jam on the next page cannot take it away.
            const fs::path written = consumer->Files().back().path;
            ASSERT_TRUE(fs::exists(written));
            EXPECT_EQ(consumer->Files().back().bytes, fs::file_size(written));
            EXPECT_EQ(consumer->Files().back().pages, 1u);
            Expect(written.filename().wstring(), 1, 1, c.encoding, page.View());
        }
        ASSERT_TRUE(consumer->Finish());
        const std::wstring stem = fs::path(c.name).stem().wstring(), ext = fs::path(c.name).extension().wstring();
        ASSERT_EQ(consumer->Files().size(), 3u);
        EXPECT_EQ(fs::path(consumer->Files()[0].path).filename().wstring(), stem + ext);
        EXPECT_EQ(fs::path(consumer->Files()[1].path).filename().wstring(), stem + L"-2" + ext);
        EXPECT_EQ(fs::path(consumer->Files()[2].path).filename().wstring(), stem + L"-3" + ext);
    }
}

TEST(PageFiles, APlaceholderTakesThePageNumber) {
    fixtures::TestDirectory directory(L"placeholder");
    auto consumer = Open(directory / L"scan {page} of batch {page}.PNG");
    ASSERT_TRUE(consumer);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(consumer->Take(PageOf(PixelFormat::Gray8, 5, 5, 0).View()));
    EXPECT_TRUE(fs::exists(directory / L"scan 1 of batch 1.PNG"));
    EXPECT_TRUE(fs::exists(directory / L"scan 2 of batch 2.PNG"));
}

TEST(PageFiles, ATextPageInGroup4IsATenthOfItsRawBits) {
    const auto page = files_testing::TextPage(kA4Width, kA4Height, 300);
    const std::uint64_t raw = (kA4Width + 7) / 8 * std::uint64_t{kA4Height};
    for (const wchar_t* name : {L"text-a4.tif", L"text-a4.pdf"}) {
        auto consumer = Open(CheckDirectory() / name);
        ASSERT_TRUE(consumer);
        ASSERT_TRUE(consumer->Take(page.View())) << Narrow(consumer->Error());
        ASSERT_TRUE(consumer->Finish()) << Narrow(consumer->Error());
        ASSERT_EQ(consumer->Files().size(), 1u);
        const std::uint64_t bytes = consumer->Files()[0].bytes;
        EXPECT_LE(bytes * 10, raw) << Narrow(name) << ": " << bytes << " bytes against " << raw << " raw";
        std::printf("%s: %llu bytes, raw 1-bit %llu bytes (1/%.1f)\n", Narrow(name).c_str(),
                    static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(raw), double(raw) / double(bytes));
        Expect(name, 1, 1, name[8] == L't' ? "exact" : "ccitt", page.View());
    }
}

TEST(PageFiles, AColourPageInAJpegPdfIsATenthOfItsBmp) {
    const auto page = files_testing::ColourPage(kA4Width, kA4Height, 300);
    auto consumer = Open(CheckDirectory() / L"colour-a4.pdf");
    ASSERT_TRUE(consumer);
    ASSERT_TRUE(consumer->Take(page.View())) << Narrow(consumer->Error());
    ASSERT_TRUE(consumer->Finish()) << Narrow(consumer->Error());
    const std::uint64_t bmp = 54 + std::uint64_t{(kA4Width * 3 + 3) / 4 * 4} * kA4Height;
    const std::uint64_t bytes = consumer->Files()[0].bytes;
    EXPECT_LE(bytes * 10, bmp) << bytes << " bytes against a BMP of " << bmp;
    std::printf("colour-a4.pdf: %llu bytes, BMP %llu bytes (1/%.1f)\n", static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(bmp), double(bmp) / double(bytes));
    Expect(L"colour-a4.pdf", 1, 1, "jpeg", page.View());
}

// Six pages arrive, the seventh jams: the engine calls Finish, and each file holds the six.
TEST(PageFiles, AJamAtPageSevenLeavesSixPageFiles) {
    struct Case {
        const wchar_t* name;
        FileOptions options;
        const char* grey;  // how grey and colour pages are stored
    };
    for (const Case& c : {Case{L"jam.tif", {}, "exact"}, Case{L"jam.pdf", {}, "jpeg"},
                          Case{L"jam-jpeg.tiff", {.tiff = TiffPageCompression::Jpeg}, "jpeg"},
                          Case{L"jam-lossless.pdf", {.lossless = true}, "flate"}}) {
        auto consumer = Open(CheckDirectory() / c.name, c.options);
        ASSERT_TRUE(consumer);
        const PixelFormat formats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};
        const std::uint32_t widths[] = {1, 7, 2481, 640, 33, 300};
        for (int i = 0; i < 6; ++i) {
            const PixelFormat format = formats[i % 3];
            const auto page = PageOf(format, widths[i], 40 + 10 * static_cast<std::uint32_t>(i), i < 3 ? 300 : 150);
            ASSERT_TRUE(consumer->Take(page.View())) << Narrow(consumer->Error());
            const bool pdf = fs::path(c.name).extension() == L".pdf";
            const char* encoding = format == PixelFormat::BlackWhite1 ? (pdf ? "ccitt" : "exact") : c.grey;
            Expect(c.name, i + 1, 6, encoding, page.View());
        }
        EXPECT_FALSE(fs::exists(CheckDirectory() / c.name));  // nothing in place before Finish
        ASSERT_TRUE(consumer->Finish()) << Narrow(consumer->Error());
        ASSERT_EQ(consumer->Files().size(), 1u);
        EXPECT_EQ(consumer->Files()[0].pages, 6u);
        EXPECT_EQ(consumer->Files()[0].bytes, fs::file_size(CheckDirectory() / c.name));
    }
}

TEST(PageFiles, AFailedScanLeavesTheOldFileAsItWas) {
    fixtures::TestDirectory directory(L"failed-scan");
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    for (const wchar_t* name : {L"old.pdf", L"old.tif", L"old.png"}) {
        const fs::path target = directory / name;
        std::ofstream(target, std::ios::binary).write("old", 3);
        {
            auto consumer = Open(target);
            ASSERT_TRUE(consumer);
            if (fs::path(name).extension() != L".png") {
                ASSERT_TRUE(consumer->Take(PageOf(PixelFormat::Gray8, 64, 64, 300).View()));
            }
            // Destroyed without Finish, as when the engine dies mid-batch; or Finish with nothing taken.
            if (fs::path(name).extension() == L".png") {
                EXPECT_TRUE(consumer->Finish());
                EXPECT_TRUE(consumer->Files().empty());
            }
        }
        EXPECT_EQ(ReadFile(target), old) << Narrow(name);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()), 3);
}

TEST(PageFiles, ZeroPagesWriteNothing) {
    fixtures::TestDirectory directory(L"zero-pages");
    auto consumer = Open(directory / L"empty.pdf");
    ASSERT_TRUE(consumer);
    EXPECT_TRUE(consumer->Finish());
    EXPECT_TRUE(consumer->Files().empty());
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

TEST(PageFiles, AFullDiskFailsThePageAndKeepsTheOldFile) {
    const char* tiny = std::getenv("VANTREL_TINY_FS");
    if (!tiny || !fs::exists(fs::path(tiny) / "mounted")) GTEST_SKIP() << "no tiny file system mounted for this run";
    for (const wchar_t* name : {L"full.pdf", L"full.bmp"}) {
        const fs::path target = fs::path(tiny) / name;
        std::ofstream(target, std::ios::binary).write("old", 3);
        auto consumer = Open(target, {.lossless = true});
        ASSERT_TRUE(consumer);
        // Noise, which no compression shrinks: 480 KB a page on 64 KB.
        auto page = *PageBuffer::Make(400, 400, PixelFormat::Rgb24, 300, 300);
        std::uint32_t state = 1;
        for (std::uint8_t& byte : page.Bytes()) byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 23);
        bool stored = consumer->Take(page.View()) && consumer->Take(page.View());
        stored = stored && consumer->Finish();
        EXPECT_FALSE(stored);
        EXPECT_EQ(consumer->Error(), L"Cannot write \"" + target.wstring() + L"\": the disk is full.");
        consumer.reset();
        EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        fs::remove(target);
    }
}

TEST(PageFiles, TheJpegQualityIsHonoured) {
    fixtures::TestDirectory directory(L"quality");
    const auto page = files_testing::ColourPage(640, 480, 150);
    std::uintmax_t previous = 0;
    for (const int quality : {20, 60, 95}) {
        const fs::path path = directory / (L"q" + std::to_wstring(quality) + L".jpg");
        auto consumer = Open(path, {.jpegQuality = quality});
        ASSERT_TRUE(consumer);
        ASSERT_TRUE(consumer->Take(page.View()));
        EXPECT_GT(fs::file_size(path), previous) << quality;
        previous = fs::file_size(path);
    }
}

TEST(PageFiles, BadPagesAndBadRequestsGetClearErrors) {
    fixtures::TestDirectory directory(L"bad-requests");
    std::wstring error;
    EXPECT_FALSE(OpenPageFiles(L"C:\\scans\\doc.gif", {}, error));
    EXPECT_EQ(error, L"Cannot write \"C:\\scans\\doc.gif\": the extension \".gif\" is not one of .bmp, .png, .jpg, .jpeg, "
                     L".tif, .tiff or .pdf.");
    EXPECT_FALSE(OpenPageFiles(L"C:\\scans\\doc.jpg", {.jpegQuality = 0}, error));
    EXPECT_EQ(error, L"Cannot write \"C:\\scans\\doc.jpg\": the JPEG quality 0 is not between 1 and 100.");

    const std::vector<std::uint8_t> few(10, 0);
    const PageImage bad{.width = 100, .height = 100, .format = PixelFormat::Rgb24, .stride = 300, .pixels = few};
    for (const wchar_t* name : {L"bad.pdf", L"bad.tif", L"bad.jpg"}) {
        const fs::path target = directory / name;
        auto consumer = Open(target);
        ASSERT_TRUE(consumer);
        EXPECT_FALSE(consumer->Take(bad));
        EXPECT_EQ(consumer->Error(), L"Cannot write \"" + target.wstring() +
                                         L"\": the page is not a valid image (its size, row length and pixel bytes do not agree).");
        EXPECT_TRUE(consumer->Files().empty());
    }
    // A refused page leaves the multi-page file usable: the batch stops and the pages before it are kept.
    auto kept = Open(directory / L"kept.tif");
    ASSERT_TRUE(kept);
    ASSERT_TRUE(kept->Take(PageOf(PixelFormat::Gray8, 8, 8, 0).View()));
    EXPECT_FALSE(kept->Take(bad));
    ASSERT_TRUE(kept->Finish()) << Narrow(kept->Error());
    ASSERT_EQ(kept->Files().size(), 1u);
    EXPECT_EQ(kept->Files()[0].pages, 1u);
    fs::remove(directory / L"kept.tif");

    // A missing folder is reported by the page that needed the file.
    const fs::path missing = directory / L"nowhere" / L"doc.pdf";
    auto consumer = Open(missing);
    ASSERT_TRUE(consumer);
    EXPECT_FALSE(consumer->Take(PageOf(PixelFormat::Gray8, 8, 8, 0).View()));
    EXPECT_EQ(consumer->Error(), L"Cannot write \"" + missing.wstring() + L"\": the folder does not exist.");
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

}  // namespace
}  // namespace vantrel::imaging
