// Whole PDF files read back through their cross-reference tables, and every way the writer refuses.
#include "imaging/pdf/pdf_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/png/tests/failing_sink.h"
#include "imaging/pdf/page_streams.h"
#include "imaging/pdf/tests/pdf_structure.h"
#include "imaging/png/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

const PdfDate kDate{2024, 3, 9, 14, 5, 7, 60};

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A stored Flate page for each shape: format, width, height, dpi.
struct PageShape {
    PixelFormat format;
    std::uint32_t width;
    std::uint32_t height;
    double dpi;
};

EncodedImage Encode(const PageShape& shape, std::uint32_t seed = 1) {
    const auto owned = testing::MakePage(shape.format, shape.width, shape.height, 0, testing::Content::Smooth, seed,
                                         shape.dpi, shape.dpi);
    auto encoded = EncodeFlateImage(owned->page);
    EXPECT_TRUE(encoded);
    return std::move(*encoded);
}

// Checks the cross-reference table, the trailer, the page tree and each page's three objects.
testing::PdfStructure ReadAndCheck(const std::string& file, std::uint32_t pages) {
    testing::PdfStructure s = testing::ReadStructure(file);
    EXPECT_EQ(s.problem, "");
    EXPECT_EQ(file.compare(0, 15, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"), 0);
    EXPECT_EQ(s.size, 3ull * pages + 4);
    EXPECT_EQ(s.objects.size(), 3ull * pages + 3);
    EXPECT_EQ(s.xrefLines.front(), "0000000000 65535 f\r\n");
    EXPECT_NE(s.trailer.find("/Root 1 0 R"), std::string::npos);
    EXPECT_NE(s.trailer.find("/Info " + std::to_string(3 * pages + 3) + " 0 R"), std::string::npos);
    EXPECT_NE(s.trailer.find("/ID [<"), std::string::npos);
    EXPECT_NE(s.objects[1].dictionary.find("/Type /Catalog /Pages 2 0 R"), std::string::npos);
    EXPECT_EQ(testing::IntegerEntry(s.objects[2].dictionary, "/Count"), pages);
    std::string kids;
    for (std::uint32_t p = 0; p < pages; ++p) kids += (p ? " " : "") + std::to_string(3 * p + 5) + " 0 R";
    EXPECT_NE(s.objects[2].dictionary.find("/Kids [" + kids + "]"), std::string::npos);
    for (std::uint32_t p = 0; p < pages; ++p) {
        const std::string image = std::to_string(3 * p + 3), content = std::to_string(3 * p + 4);
        const std::string& page = s.objects[3 * p + 5].dictionary;
        EXPECT_NE(page.find("/Type /Page /Parent 2 0 R"), std::string::npos) << p;
        EXPECT_NE(page.find("/XObject << /Im0 " + image + " 0 R >>"), std::string::npos) << p;
        EXPECT_NE(page.find("/Contents " + content + " 0 R"), std::string::npos) << p;
        EXPECT_NE(s.objects[3 * p + 3].dictionary.find("/Subtype /Image"), std::string::npos) << p;
    }
    const std::string& info = s.objects[3 * pages + 3].dictionary;
    EXPECT_NE(info.find("/Producer (Vantrel)"), std::string::npos);
    EXPECT_NE(info.find("/CreationDate (D:20240309140507+01'00')"), std::string::npos);
    return s;
}

TEST(PdfWriter, OneA4PageAt300Dpi) {
    const EncodedImage encoded = Encode({PixelFormat::BlackWhite1, 2480, 3508, 300});
    MemorySink sink;
    PdfWriter writer(sink);
    ASSERT_EQ(writer.AddPage(encoded.View()), PdfResult::Ok);
    ASSERT_EQ(writer.Finish(kDate), PdfResult::Ok);
    const std::string file = Text(sink.Data());
    testing::PdfStructure s = ReadAndCheck(file, 1);
    EXPECT_NE(s.objects[5].dictionary.find("/MediaBox [0 0 595.2 841.92]"), std::string::npos);
    EXPECT_EQ(s.objects[4].stream, "q 595.2 0 0 841.92 0 0 cm /Im0 Do Q\n");
    EXPECT_EQ(s.objects[3].stream, std::string(encoded.bytes.begin(), encoded.bytes.end()));
    EXPECT_NE(s.objects[3].dictionary.find("/Width 2480 /Height 3508"), std::string::npos);
}

TEST(PdfWriter, FractionalAndMissingResolutions) {
    struct Case {
        double dpi;
        const char* mediaBox;
    };
    for (const Case& c : {Case{299.5, "[0 0 596.1937 9.616]"}, Case{0, "[0 0 2480 40]"}}) {
        const EncodedImage encoded = Encode({PixelFormat::BlackWhite1, 2480, 40, c.dpi});
        MemorySink sink;
        PdfWriter writer(sink);
        ASSERT_EQ(writer.AddPage(encoded.View()), PdfResult::Ok);
        ASSERT_EQ(writer.Finish(kDate), PdfResult::Ok);
        testing::PdfStructure s = ReadAndCheck(Text(sink.Data()), 1);
        EXPECT_NE(s.objects[5].dictionary.find(std::string("/MediaBox ") + c.mediaBox), std::string::npos) << c.dpi;
    }
}

TEST(PdfWriter, FiftyPagesCostLittleBeyondTheirImagesAndKeepOnlyOffsets) {
    const std::vector<PageShape> shapes = {{PixelFormat::Rgb24, 120, 170, 150}, {PixelFormat::Gray8, 85, 110, 100},
                                         {PixelFormat::BlackWhite1, 300, 420, 300}, {PixelFormat::Gray8, 61, 47, 0}};
    MemorySink sink;
    PdfWriter writer(sink);
    std::uint64_t imageBytes = 0;
    std::size_t retainedAfterTen = 0;
    for (std::uint32_t p = 0; p < 50; ++p) {
        const EncodedImage encoded = Encode(shapes[p % shapes.size()], p);
        imageBytes += encoded.bytes.size();
        ASSERT_EQ(writer.AddPage(encoded.View()), PdfResult::Ok) << p;
        if (p == 9) retainedAfterTen = writer.RetainedBytes();
    }
    EXPECT_EQ(writer.PageCount(), 50u);
    // 30 objects' offsets after ten pages; the remaining 40 pages add 24 bytes each, doubling slack aside.
    EXPECT_LE(retainedAfterTen, 2 * 32 * sizeof(std::uint64_t));
    EXPECT_LE(writer.RetainedBytes(), 2 * 152 * sizeof(std::uint64_t));
    ASSERT_EQ(writer.Finish(kDate), PdfResult::Ok);
    ReadAndCheck(Text(sink.Data()), 50);
    // Per page: three object headers, two stream dictionaries, the content stream, the page object,
    // a kid and three cross-reference entries; all told well under 600 bytes.
    EXPECT_GT(sink.Size(), imageBytes);
    EXPECT_LE(sink.Size(), imageBytes + 50 * 600 + 1000);
}

TEST(PdfWriter, RefusalsLeaveTheWriterUsable) {
    const EncodedImage good = Encode({PixelFormat::Gray8, 10, 10, 72});
    PdfImage bad = good.View();
    bad.bitsPerComponent = 4;
    PdfImage tiny = good.View();
    tiny.xDpi = tiny.yDpi = 1e9;  // sides round to 0 points
    MemorySink sink;
    PdfWriter writer(sink);
    EXPECT_EQ(writer.Finish(kDate), PdfResult::NoPages);
    EXPECT_EQ(writer.AddPage(bad), PdfResult::BadImage);
    EXPECT_EQ(writer.AddPage(tiny), PdfResult::BadImage);
    EXPECT_EQ(sink.Size(), 0u);
    ASSERT_EQ(writer.AddPage(good.View()), PdfResult::Ok);
    const std::uint64_t afterPage = sink.Size();
    EXPECT_EQ(writer.AddPage(bad), PdfResult::BadImage);
    EXPECT_EQ(writer.Finish(PdfDate{2023, 2, 29}), PdfResult::BadDate);
    EXPECT_EQ(sink.Size(), afterPage);
    ASSERT_EQ(writer.Finish(kDate), PdfResult::Ok);
    EXPECT_EQ(writer.AddPage(good.View()), PdfResult::Finished);
    EXPECT_EQ(writer.Finish(kDate), PdfResult::Finished);
    ReadAndCheck(Text(sink.Data()), 1);
}

TEST(PdfWriter, EveryFailingSinkCallFailsTheFile) {
    const EncodedImage a = Encode({PixelFormat::Rgb24, 20, 10, 96}), b = Encode({PixelFormat::BlackWhite1, 30, 9, 200});
    const auto writeAll = [&](ByteSink& sink) {
        PdfWriter writer(sink);
        for (const EncodedImage* e : {&a, &b, &a}) {
            if (const PdfResult r = writer.AddPage(e->View()); r != PdfResult::Ok) {
                EXPECT_EQ(writer.AddPage(a.View()), r);  // stays failed
                EXPECT_EQ(writer.Finish(kDate), r);
                return r;
            }
        }
        const PdfResult r = writer.Finish(kDate);
        if (r != PdfResult::Ok) EXPECT_EQ(writer.Finish(kDate), r);
        return r;
    };
    testing::FailingSink counting(0);
    ASSERT_EQ(writeAll(counting), PdfResult::Ok);
    ASSERT_GT(counting.Calls(), 20u);
    for (std::uint64_t n = 1; n <= counting.Calls(); ++n) {
        testing::FailingSink sink(n);
        EXPECT_EQ(writeAll(sink), PdfResult::SinkFailed) << "failing call " << n;
        EXPECT_EQ(sink.Calls(), n) << "kept writing after call " << n << " failed";
    }
}

// Counts bytes as if `base` had been written before, so offsets near the ten-digit limit need no storage.
class FarSink final : public ByteSink {
public:
    explicit FarSink(std::uint64_t base) : size_(base) {}
    bool Append(std::span<const std::uint8_t> bytes) override {
        size_ += bytes.size();
        text_.append(bytes.begin(), bytes.end());
        return true;
    }
    bool Patch(std::uint64_t, std::span<const std::uint8_t>) override { return false; }
    std::uint64_t Size() const override { return size_; }
    const std::string& Text() const { return text_; }

private:
    std::uint64_t size_;
    std::string text_;
};

TEST(PdfWriter, OffsetsPastTenDigitsAreRefusedBeforeWriting) {
    const EncodedImage page = Encode({PixelFormat::Gray8, 40, 40, 72});
    const std::uint64_t limit = 9'999'999'999;
    FarSink near(limit - page.bytes.size() - 2000);
    PdfWriter writer(near);
    ASSERT_EQ(writer.AddPage(page.View()), PdfResult::Ok);
    EXPECT_EQ(writer.AddPage(page.View()), PdfResult::TooLarge);
    const std::uint64_t refusedAt = near.Size();
    EXPECT_EQ(writer.AddPage(page.View()), PdfResult::TooLarge);
    EXPECT_EQ(near.Size(), refusedAt);
    ASSERT_EQ(writer.Finish(kDate), PdfResult::Ok);
    EXPECT_NE(near.Text().find("\n0000000000 65535 f\r\n99999"), std::string::npos);  // ten-digit offsets

    FarSink far(limit + 1);
    PdfWriter refused(far);
    EXPECT_EQ(refused.AddPage(page.View()), PdfResult::TooLarge);
    EXPECT_EQ(far.Text(), "");
}

}  // namespace
}  // namespace vantrel::imaging
