// The encoder's contract: escaped scan data, refused pages, unread padding, the row writer's sequencing.
#include "imaging/jpeg/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/jpeg/tests/jpeg_layout.h"
#include "imaging/jpeg/tests/test_pages.h"

namespace vantrel::imaging {
namespace {

using test::Content;
using test::MakePage;
using test::OwnedPage;

constexpr PixelFormat kFormats[] = {PixelFormat::BlackWhite1, PixelFormat::Gray8, PixelFormat::Rgb24};

// Uniform noise: the worst case for the entropy coder and the likeliest to produce 0xFF bytes.
OwnedPage NoisePage(std::uint32_t width, std::uint32_t height, PixelFormat format) {
    OwnedPage page = MakePage(width, height, format, Content::Flat, 0, 300);
    std::uint32_t seed = 99;
    for (auto& byte : page.bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    return page;
}

TEST(JpegEncoder, ScanDataNeverHoldsAnUnescapedFf) {
    for (const PixelFormat format : kFormats) {
        for (const int quality : {1, 85, 100}) {
            const OwnedPage page = NoisePage(61, 47, format);
            const auto file = EncodeJpeg(page.View(), quality);
            std::string error;
            const auto layout = jpeg::ParseJpeg(file, &error);
            ASSERT_TRUE(layout) << error;
            if (quality == 100) EXPECT_GT(layout->stuffedBytes, 0u) << "noise at q=100 must have needed stuffing";
        }
    }
}

TEST(JpegEncoder, EncodesEveryGeometryAroundTheBlockEdges) {
    for (const PixelFormat format : kFormats)
        for (const std::uint32_t width : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 33u})
            for (const std::uint32_t height : {1u, 8u, 15u, 16u, 17u}) {
                const OwnedPage page = MakePage(width, height, format, Content::Photo, 0, 0);
                const auto file = EncodeJpeg(page.View());
                EXPECT_TRUE(jpeg::ParseJpeg(file)) << width << "x" << height << " format " << static_cast<int>(format);
            }
}

TEST(JpegEncoder, RefusesPagesItCannotEncode) {
    const OwnedPage grey = MakePage(10, 4, PixelFormat::Gray8, Content::Photo, 2, 300);
    const PageImage good = grey.View();
    const std::vector<std::uint8_t> wide(65536 + 1);
    struct Case { const char* name; PageImage page; };
    const auto with = [&](auto change) {
        PageImage page = good;
        change(page);
        return page;
    };
    const Case cases[] = {
        {"width 0", with([](PageImage& p) { p.width = 0; })},
        {"height 0", with([](PageImage& p) { p.height = 0; })},
        {"stride below the row", with([](PageImage& p) { p.stride = 9; })},
        {"one byte short", with([](PageImage& p) { p.pixels = p.pixels.first(p.pixels.size() - 1); })},
        {"no pixels", with([](PageImage& p) { p.pixels = {}; })},
        {"rows for 3 channels", with([](PageImage& p) { p.format = PixelFormat::Rgb24; })},
        {"unknown format", with([](PageImage& p) { p.format = static_cast<PixelFormat>(7); })},
        {"wider than a frame can say", PageImage{65536, 1, PixelFormat::Gray8, 65536, 0, 0, wide}},
        {"taller than a frame can say", PageImage{1, 65536, PixelFormat::Gray8, 1, 0, 0, wide}},
        // stride * (height - 1) is 2^64, which wraps to 0 in 64-bit arithmetic.
        {"rows wrap past 2^64", PageImage{1, 32769, PixelFormat::Gray8, std::uint64_t{1} << 49, 0, 0, wide}},
    };
    ASSERT_FALSE(EncodeJpeg(good).empty());
    for (const auto& c : cases) EXPECT_TRUE(EncodeJpeg(c.page).empty()) << c.name;
}

// Padding bytes after each row and the unused bits of a 1-bit row must make no difference.
TEST(JpegEncoder, IgnoresRowPadding) {
    for (const PixelFormat format : kFormats) {
        const OwnedPage tight = MakePage(37, 21, format, Content::Document, 0, 300);
        OwnedPage padded = MakePage(37, 21, format, Content::Document, 7, 300);
        EXPECT_EQ(EncodeJpeg(tight.View()), EncodeJpeg(padded.View())) << static_cast<int>(format);
    }
}

// 1-bit pages are encoded as the grey page with ink 0 and paper 255.
TEST(JpegEncoder, EncodesOneBitPagesAsTheirGreyEquivalent) {
    const OwnedPage bilevel = MakePage(1000, 40, PixelFormat::BlackWhite1, Content::Document, 1, 300);
    OwnedPage grey = MakePage(1000, 40, PixelFormat::Gray8, Content::Document, 0, 300);
    for (std::uint32_t y = 0; y < grey.height; ++y)
        for (std::uint32_t x = 0; x < grey.width; ++x)
            grey.bytes[y * grey.stride + x] = test::ContentInk(Content::Document, x, y) ? 0 : 255;
    EXPECT_EQ(EncodeJpeg(bilevel.View()), EncodeJpeg(grey.View()));
}

TEST(JpegEncoder, QualityOutsideTheScaleIsClamped) {
    const OwnedPage page = MakePage(40, 30, PixelFormat::Rgb24, Content::Photo, 0, 300);
    EXPECT_EQ(EncodeJpeg(page.View(), 0), EncodeJpeg(page.View(), 1));
    EXPECT_EQ(EncodeJpeg(page.View(), -1000), EncodeJpeg(page.View(), 1));
    EXPECT_EQ(EncodeJpeg(page.View(), 101), EncodeJpeg(page.View(), 100));
    EXPECT_LT(EncodeJpeg(page.View(), 50).size(), EncodeJpeg(page.View(), 85).size());
}

// Fails on the Append that would take its size past `limit`, and counts what it took.
class LimitedSink final : public ByteSink {
public:
    explicit LimitedSink(std::uint64_t limit) : limit_(limit) {}
    bool Append(std::span<const std::uint8_t> bytes) override {
        if (size_ + bytes.size() > limit_) return false;
        size_ += bytes.size();
        ++appends_;
        return true;
    }
    bool Patch(std::uint64_t, std::span<const std::uint8_t>) override {
        ADD_FAILURE() << "the JPEG writer has nothing to patch";
        return false;
    }
    std::uint64_t Size() const override { return size_; }
    int Appends() const { return appends_; }

private:
    std::uint64_t limit_;
    std::uint64_t size_ = 0;
    int appends_ = 0;
};

TEST(JpegRowWriter, StreamsTheSameFileAsTheWholePage) {
    for (const PixelFormat format : kFormats) {
        const OwnedPage page = MakePage(50, 37, format, Content::Photo, 3, 300);
        MemorySink sink;
        const auto writer = StartJpeg({page.width, page.height, format, 300, 300}, 85, sink);
        ASSERT_TRUE(writer);
        for (std::uint32_t y = 0; y < page.height; ++y) ASSERT_TRUE(writer->WriteRow(page.View().Row(y)));
        ASSERT_TRUE(writer->Finish());
        EXPECT_EQ(sink.Data(), EncodeJpeg(page.View(), 85)) << static_cast<int>(format);
    }
}

// Nothing of an MCU row reaches the sink before its last row, and each completed row goes at once.
TEST(JpegRowWriter, SendsEachBandWhenItsLastRowArrives) {
    const OwnedPage page = MakePage(40, 40, PixelFormat::Rgb24, Content::Photo, 0, 300);
    LimitedSink sink(1 << 20);
    const auto writer = StartJpeg({40, 40, PixelFormat::Rgb24, 300, 300}, 85, sink);
    ASSERT_TRUE(writer);
    const std::uint64_t headers = sink.Size();
    for (std::uint32_t y = 0; y < 15; ++y) ASSERT_TRUE(writer->WriteRow(page.View().Row(y)));
    EXPECT_EQ(sink.Size(), headers);
    ASSERT_TRUE(writer->WriteRow(page.View().Row(15)));
    EXPECT_GT(sink.Size(), headers);
}

TEST(JpegRowWriter, RefusesFramesABaselineFileCannotHold) {
    MemorySink sink;
    const JpegFrame frames[] = {
        {0, 10, PixelFormat::Gray8, 0, 0},
        {10, 0, PixelFormat::Gray8, 0, 0},
        {65536, 10, PixelFormat::Rgb24, 0, 0},
        {10, 70000, PixelFormat::BlackWhite1, 0, 0},
        {10, 10, static_cast<PixelFormat>(3), 0, 0},
    };
    for (const JpegFrame& frame : frames) EXPECT_FALSE(StartJpeg(frame, 85, sink)) << frame.width << "x" << frame.height;
    EXPECT_EQ(sink.Size(), 0u);
}

TEST(JpegRowWriter, FailsOutOfSequenceCallsAndStaysFailed) {
    const std::vector<std::uint8_t> row(30, 128);
    const auto started = [](MemorySink& sink) { return StartJpeg({10, 2, PixelFormat::Rgb24, 0, 0}, 85, sink); };
    {
        MemorySink sink;
        const auto writer = started(sink);
        EXPECT_FALSE(writer->WriteRow(std::span(row).first(29))) << "short row";
        EXPECT_FALSE(writer->WriteRow(row)) << "after a failure";
        EXPECT_FALSE(writer->Finish()) << "after a failure";
    }
    {
        MemorySink sink;
        const auto writer = started(sink);
        EXPECT_TRUE(writer->WriteRow(row));
        EXPECT_FALSE(writer->Finish()) << "a row missing";
    }
    {
        MemorySink sink;
        const auto writer = started(sink);
        EXPECT_TRUE(writer->WriteRow(row));
        EXPECT_TRUE(writer->WriteRow(std::vector<std::uint8_t>(40, 7))) << "a longer row's extra bytes are ignored";
        EXPECT_FALSE(writer->WriteRow(row)) << "a third row of two";
        EXPECT_FALSE(writer->Finish());
    }
    {
        MemorySink sink;
        const auto writer = started(sink);
        EXPECT_TRUE(writer->WriteRow(row));
        EXPECT_TRUE(writer->WriteRow(row));
        EXPECT_TRUE(writer->Finish());
        const std::uint64_t size = sink.Size();
        EXPECT_FALSE(writer->Finish()) << "finished twice";
        EXPECT_FALSE(writer->WriteRow(row)) << "a row after the end";
        EXPECT_EQ(sink.Size(), size);
    }
}

TEST(JpegRowWriter, ReportsASinkThatRefuses) {
    const OwnedPage page = MakePage(200, 100, PixelFormat::Rgb24, Content::Photo, 0, 300);
    MemorySink whole;
    ASSERT_TRUE(WriteJpeg(page.View(), 85, whole));
    for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{100}, whole.Size() / 2, whole.Size() - 1}) {
        LimitedSink sink(limit);
        EXPECT_FALSE(WriteJpeg(page.View(), 85, sink)) << limit;
    }
    LimitedSink exact(whole.Size());
    EXPECT_TRUE(WriteJpeg(page.View(), 85, exact));
    EXPECT_GT(exact.Appends(), 2) << "headers, bands and the end are sent as they are ready";
}

}  // namespace
}  // namespace vantrel::imaging
