// What the independent readers cannot see: refusals and offsets past the cross-reference's ten digits (failing sinks:
// page_writers_test.cpp).
#include "imaging/pdf/pdf_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/pdf/page_streams.h"
#include "imaging/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

const PdfDate kDate{2024, 3, 9, 14, 5, 7, 60};

EncodedImage Encode(PixelFormat format, std::uint32_t width, std::uint32_t height, double dpi) {
    const auto owned = testing::SamplePage(format, width, height, 0, testing::Content::Smooth, 1, dpi, dpi);
    auto encoded = EncodeFlateImage(owned->page);
    EXPECT_TRUE(encoded);
    return std::move(*encoded);
}

TEST(PageStreams, RefusesWhatItCannotDescribe) {
    const auto gray = testing::SamplePage(PixelFormat::Gray8, 8, 8, 0, testing::Content::Noise, 1);
    const auto bw = testing::SamplePage(PixelFormat::BlackWhite1, 8, 8, 0, testing::Content::Noise, 1);
    PageImage broken = gray->page;
    broken.stride = 7;
    const std::vector<std::uint8_t> bytes = {1};
    EXPECT_FALSE(DescribeJpeg(gray->page, {}));
    EXPECT_FALSE(DescribeJpeg(broken, bytes));
    EXPECT_FALSE(DescribeGroup4(gray->page, bytes));
    EXPECT_FALSE(DescribeGroup4(bw->page, {}));
}

TEST(PdfWriter, RefusalsLeaveTheWriterUsable) {
    const EncodedImage good = Encode(PixelFormat::Gray8, 10, 10, 72);
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
    const EncodedImage page = Encode(PixelFormat::Gray8, 40, 40, 72);
    const std::uint64_t limit = 9'999'999'999;
    FarSink near(limit - page.bytes.size() - 17000);
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
