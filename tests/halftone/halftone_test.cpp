// A black-and-white batch as the sample scanner draws it (A4 at 300 dpi, its grey chart ordered-dithered) into a PDF:
// each page keeps the smaller lossless coding, so the file is a small part of what Group 4 alone made of it, and
// poppler's pdfimages gives back exactly the scanner's pixels. A text page stays Group 4.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/g4/group4_encoder.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/pdf_writer.h"
#include "imaging/tests/test_pages.h"
#include "scanner/packed_dib.h"
#include "scanner/page_picture.h"

namespace {

using namespace vantrel;
using imaging::PixelFormat;

constexpr int kWidth = 2480, kHeight = 3508, kDpi = 300, kPages = 100;

// Page `number` as the sample scanner delivers it in black and white: rows of 1 = black.
std::vector<std::uint8_t> ScannerPage(int number) {
    const scanner::ScanSettings settings{scanner::ColourMode::BlackWhite, kWidth, kHeight};
    const scanner::PagePicture picture({kWidth, kHeight, number,
                                        scanner::PageLines(number, number % 2 ? scanner::Side::Front : scanner::Side::Back,
                                                           scanner::ChartLabel(settings), kDpi, true, 0, 0),
                                        0, 0, {}, false});
    const std::uint32_t rowBytes = scanner::TwainRowBytes(kWidth, scanner::ColourMode::BlackWhite);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowBytes) * kHeight);
    std::vector<scanner::Rgb> row(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        picture.Row(y, row);
        scanner::PackRow(row.data(), kWidth, y, scanner::ColourMode::BlackWhite, scanner::RowFormat::TwainVanilla,
                         std::span(bits).subspan(static_cast<std::size_t>(y) * rowBytes, rowBytes));
    }
    return bits;
}

imaging::PageImage View(const std::vector<std::uint8_t>& bits) {
    return {.width = kWidth, .height = kHeight, .format = PixelFormat::BlackWhite1, .stride = (kWidth + 7) / 8,
            .xDpi = kDpi, .yDpi = kDpi, .pixels = bits};
}

// Counts what a writer would put in a file without keeping it.
class CountingSink final : public imaging::ByteSink {
public:
    bool Append(std::span<const std::uint8_t> bytes) override {
        size_ += bytes.size();
        return true;
    }
    bool Patch(std::uint64_t, std::span<const std::uint8_t>) override { return false; }
    std::uint64_t Size() const override { return size_; }

private:
    std::uint64_t size_ = 0;
};

std::string Output(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
    if (pipe) ::pclose(pipe);
    return text;
}

TEST(HalftoneBatch, SmallerThanGroup4AloneAndLossless) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vantrel-halftone-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "batch.pdf";
    imaging::MemorySink sink;
    CountingSink group4Only;
    imaging::PdfWriter writer(sink), today(group4Only, false);
    std::vector<std::vector<std::uint8_t>> drawn;
    for (int number = 1; number <= kPages; ++number) {
        const auto& bits = drawn.emplace_back(ScannerPage(number));
        const auto coded = imaging::EncodeBilevelImage(View(bits));
        ASSERT_TRUE(coded);
        ASSERT_EQ(writer.AddPage(coded->View()), imaging::PdfResult::Ok);
        const auto group4 = imaging::EncodeGroup4(View(bits));
        ASSERT_EQ(today.AddPage(*imaging::DescribeGroup4(View(bits), group4)), imaging::PdfResult::Ok);
    }
    const auto text = imaging::testing::TextPage(kWidth, kHeight, 0, 1, kDpi);
    const auto coded = imaging::EncodeBilevelImage(text->page);
    ASSERT_TRUE(coded);
    ASSERT_EQ(writer.AddPage(coded->View()), imaging::PdfResult::Ok);
    ASSERT_EQ(writer.Finish({}), imaging::PdfResult::Ok);
    ASSERT_EQ(today.Finish({}), imaging::PdfResult::Ok);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(sink.Data().data()),
                                               static_cast<std::streamsize>(sink.Size()));
    EXPECT_LE(sink.Size() * 20, group4Only.Size());
    std::printf("%d halftone pages and a text page: %llu bytes, Group 4 alone %llu bytes\n", kPages,
                static_cast<unsigned long long>(sink.Size()), static_cast<unsigned long long>(group4Only.Size()));

    // pdfimages: the scanner's pages Flate, the text page CCITT; each one's pixels as drawn (PBM rows are ours).
    const std::string list = Output("pdfimages -list " + path.string());
    const auto count = [&path](const char* encoding) {
        return Output("pdfimages -list " + path.string() + " | awk '$9 == \"" + encoding + "\"' | wc -l");
    };
    EXPECT_EQ(count("image"), std::to_string(kPages) + "\n") << list;
    EXPECT_EQ(count("ccitt"), "1\n") << list;
    ASSERT_EQ(std::system(("pdfimages -f 1 -l " + std::to_string(kPages) + " " + path.string() + " " + (dir / "p").string()).c_str()), 0);
    for (int number = 1; number <= kPages; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "p-%03d.pbm", number - 1);
        std::ifstream in(dir / name, std::ios::binary);
        const std::string pbm(std::istreambuf_iterator<char>(in), {});
        const std::string header = "P4\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n";
        const auto& bits = drawn[static_cast<std::size_t>(number - 1)];
        EXPECT_TRUE(pbm.starts_with(header) && pbm.compare(header.size(), std::string::npos,
                                                           std::string(bits.begin(), bits.end())) == 0) << name;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
