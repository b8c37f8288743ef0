// The page consumers writing real files under Wine; check_samples.py then reads what they leave in CheckDirectory().
#include "imaging/files/output_naming.h"
#include "imaging/files/page_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/tests/manifest.h"
#include "tests/fixtures/test_directory.h"

namespace vantrel::imaging {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kA4Width = 2480, kA4Height = 3508;  // A4 at 300 dpi
constexpr PixelFormat kFormats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};

// The folder named by VANTREL_FILES_CHECK_DIR, emptied on first use; the temporary folder when unset.
const fs::path& CheckDirectory() {
    static const fs::path directory = [] {
        const char* named = std::getenv("VANTREL_FILES_CHECK_DIR");
        fs::path path = named ? fs::path(named) : fs::temp_directory_path() / "vantrel-files-check";
        std::error_code ignored;
        fs::remove_all(path, ignored);
        fs::create_directories(path);
        return path;
    }();
    return directory;
}

std::unique_ptr<testing::OwnedPage> Page(PixelFormat format, std::uint32_t width, std::uint32_t height, double dpi) {
    return testing::SamplePage(format, width, height, 3, testing::Content::Smooth, width + height, dpi, dpi);
}

// Records page `index` of `file` for the checker; a JPEG page beside the JPEG it must hold (the encoder is deterministic).
void Expect(const fs::path& file, std::size_t index, const PageImage& page, const std::string& encoding, int quality = 85) {
    const std::string name = file.filename().string();
    testing::Expected expected{encoding, quality};
    if (encoding == "jpeg") {
        expected.reference = name + ".p" + std::to_string(index) + ".jpg";
        ASSERT_TRUE(testing::WriteBytes(CheckDirectory() / expected.reference, EncodeJpeg(page, quality)));
    }
    ASSERT_TRUE(testing::Record(CheckDirectory(), name, index, page, expected));
}

std::unique_ptr<PageConsumer> Open(const fs::path& path, const FileOptions& options = {}) {
    std::wstring error;
    auto consumer = OpenPageFiles(path.wstring(), options, error);
    EXPECT_TRUE(consumer) << fs::path(error).string();
    return consumer;
}

std::string Narrow(const std::wstring& text) { return fs::path(text).string(); }

// Single-page formats: each page its own file, in place once taken, so a jam on the next page cannot take it away.
// Multi-page formats: six pages arrive, the seventh jams and the engine calls Finish; nothing is in place before, and
// then one file holds the six.
TEST(PageFiles, EachFormatStoresEveryPageTakenBeforeAJam) {
    struct Case {
        const wchar_t* name;
        FileOptions options;
        // Multi-page files: how the 1-bit pages are stored (a column of one pixel, which Group 4 codes smaller, and
        // a band of a short repeating pattern, which Flate does), then grey and colour ones.
        const char* bilevel[2];
        const char* other;
    };
    const Case cases[] = {
        {L"single.bmp", {}, {}, ""}, {L"single.png", {}, {}, ""}, {L"single.jpg", {}, {}, ""},
        {L"q20.jpg", {.jpegQuality = 20}, {}, ""}, {L"q95.jpg", {.jpegQuality = 95}, {}, ""},
        {L"jam.tif", {}, {"auto", "deflate"}, "auto"}, {L"jam.pdf", {}, {"ccitt", "flate"}, "jpeg"},
        {L"jam-jpeg.tif", {.tiff = TiffPageCompression::Jpeg}, {"auto", "deflate"}, "jpeg"},
        {L"jam-lossless.pdf", {.lossless = true}, {"ccitt", "flate"}, "flate"},
    };
    const std::uint32_t widths[] = {1, 7, 2481, 640, 33, 300};
    for (const Case& c : cases) {
        const fs::path target = CheckDirectory() / c.name;
        const bool many = target.extension() == L".tif" || target.extension() == L".pdf";
        auto consumer = Open(target, c.options);
        ASSERT_TRUE(consumer);
        for (std::uint32_t i = 0; i < (many ? 6u : 3u); ++i) {
            const auto page = Page(kFormats[i % 3], widths[i], 40 + 10 * i, i < 3 ? 300 : 150);
            ASSERT_TRUE(consumer->Take(page->page)) << Narrow(consumer->Error());
            if (many) {
                Expect(target, i, page->page, i % 3 == 0 ? c.bilevel[i / 3] : c.other);
                continue;
            }
            const StoredFile& written = consumer->Files().back();
            EXPECT_EQ(fs::path(written.path), fs::path(PageFileName(target.wstring(), i + 1)));
            EXPECT_EQ(written.bytes, fs::file_size(written.path));
            EXPECT_EQ(written.pages, 1u);
            Expect(written.path, 0, page->page, "", c.options.jpegQuality);
        }
        EXPECT_EQ(fs::exists(target), !many);
        ASSERT_TRUE(consumer->Finish()) << Narrow(consumer->Error());
        ASSERT_EQ(consumer->Files().size(), many ? 1u : 3u);
        EXPECT_EQ(consumer->Files()[0].pages, many ? 6u : 1u);
        EXPECT_EQ(consumer->Files()[0].bytes, fs::file_size(target));
    }
}

TEST(PageFiles, AnA4TextPageInGroup4OrAColourPageInJpegIsATenthOfItsRawBytes) {
    const auto text = testing::TextPage(kA4Width, kA4Height, 0, 5, 300);
    const auto colour = testing::SamplePage(PixelFormat::Rgb24, kA4Width, kA4Height, 0, testing::Content::Smooth, 5, 300, 300);
    struct Case {
        const wchar_t* name;
        const PageImage& page;
        const char* encoding;
    };
    for (const Case& c : {Case{L"text-a4.tif", text->page, "auto"}, Case{L"text-a4.pdf", text->page, "ccitt"},
                          Case{L"colour-a4.pdf", colour->page, "jpeg"}}) {
        auto consumer = Open(CheckDirectory() / c.name);
        ASSERT_TRUE(consumer);
        ASSERT_TRUE(consumer->Take(c.page) && consumer->Finish()) << Narrow(consumer->Error());
        const std::uint64_t raw = c.page.stride * c.page.height;
        EXPECT_LE(consumer->Files()[0].bytes * 10, raw) << Narrow(c.name) << ": " << consumer->Files()[0].bytes;
        Expect(c.name, 0, c.page, c.encoding);
    }
}

// Destroyed without Finish, as when the engine dies mid-batch, or finished with nothing taken: the old file stays.
TEST(PageFiles, AFailedOrEmptyScanLeavesTheOldFileAsItWas) {
    fixtures::TestDirectory directory(L"failed-scan");
    for (const wchar_t* name : {L"old.pdf", L"old.tif", L"empty.pdf", L"empty.png"}) {
        const fs::path target = directory / name;
        std::ofstream(target, std::ios::binary).write("old", 3);
        {
            auto consumer = Open(target);
            ASSERT_TRUE(consumer);
            if (name[0] == L'o') {
                ASSERT_TRUE(consumer->Take(Page(PixelFormat::Gray8, 64, 64, 300)->page));
            } else {
                EXPECT_TRUE(consumer->Finish());
                EXPECT_TRUE(consumer->Files().empty());
            }
        }
        std::ifstream in(target, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old") << Narrow(name);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()), 4);
}

TEST(PageFiles, BadPagesAndBadRequestsGetClearErrors) {
    fixtures::TestDirectory directory(L"bad-requests");
    std::wstring error;
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
    ASSERT_TRUE(kept->Take(Page(PixelFormat::Gray8, 8, 8, 0)->page));
    EXPECT_FALSE(kept->Take(bad));
    ASSERT_TRUE(kept->Finish()) << Narrow(kept->Error());
    ASSERT_EQ(kept->Files().size(), 1u);
    EXPECT_EQ(kept->Files()[0].pages, 1u);
    fs::remove(directory / L"kept.tif");

    // A missing folder is reported by the page that needed the file.
    const fs::path missing = directory / L"nowhere" / L"doc.pdf";
    auto consumer = Open(missing);
    ASSERT_TRUE(consumer);
    EXPECT_FALSE(consumer->Take(Page(PixelFormat::Gray8, 8, 8, 0)->page));
    EXPECT_EQ(consumer->Error(), L"Cannot write \"" + missing.wstring() + L"\": the folder does not exist.");
    EXPECT_TRUE(fs::is_empty(directory.path()));
}

}  // namespace
}  // namespace vantrel::imaging
