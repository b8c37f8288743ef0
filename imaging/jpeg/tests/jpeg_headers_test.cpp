// The marker segments of the files we write: order, JFIF density, DQT by quality, SOF0, DHT, SOS.
#include "imaging/jpeg/jpeg_headers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/jpeg/tests/jpeg_layout.h"
#include "imaging/jpeg/tests/test_pages.h"

namespace vantrel::imaging::jpeg {
namespace {

using test::Content;
using test::MakePage;

std::vector<std::uint8_t> Encode(PixelFormat format, double xDpi = 300, double yDpi = 300, int quality = 85,
                                 std::uint32_t width = 21, std::uint32_t height = 13) {
    auto page = MakePage(width, height, format, Content::Photo, 3, xDpi);
    page.yDpi = yDpi;
    return EncodeJpeg(page.View(), quality);
}

// The layout's spans point into `file`, which must outlive it.
JpegLayout Parse(const std::vector<std::uint8_t>& file) {
    std::string error;
    auto layout = ParseJpeg(file, &error);
    if (!layout) ADD_FAILURE() << error;
    return layout.value_or(JpegLayout{});
}

std::span<const std::uint8_t> Fields(const JpegLayout& layout, std::uint8_t marker) {
    for (const Segment& s : layout.segments)
        if (s.marker == marker) return s.fields;
    ADD_FAILURE() << "no segment FF" << std::hex << int{marker};
    return {};
}

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> span) { return {span.begin(), span.end()}; }

TEST(JpegHeaders, SegmentsComeInBaselineOrder) {
    const std::vector<std::uint8_t> expected = {0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9};
    for (const PixelFormat format : {PixelFormat::Gray8, PixelFormat::Rgb24, PixelFormat::BlackWhite1}) {
        const auto file = Encode(format);
        const JpegLayout layout = Parse(file);
        std::vector<std::uint8_t> markers;
        for (const Segment& s : layout.segments) markers.push_back(s.marker);
        EXPECT_EQ(markers, expected) << static_cast<int>(format);
    }
}

TEST(JpegHeaders, JfifCarriesWholeDotsPerInchOrOnlyTheAspect) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct { double x, y; std::uint8_t units; std::uint16_t xDensity, yDensity; } cases[] = {
        {300, 300, 1, 300, 300},
        {200.4, 99.6, 1, 200, 100},
        {0.5, 65535, 1, 1, 65535},
        {0, 0, 0, 1, 1},
        {300, 0, 0, 1, 1},
        {0.4, 300, 0, 1, 1},
        {-300, -300, 0, 1, 1},
        {65535.5, 300, 0, 1, 1},
        {nan, 300, 0, 1, 1},
        {std::numeric_limits<double>::infinity(), 300, 0, 1, 1},
    };
    for (const auto& c : cases) {
        const auto file = Encode(PixelFormat::Gray8, c.x, c.y);
        const JpegLayout layout = Parse(file);
        const std::vector<std::uint8_t> expected = {'J', 'F', 'I', 'F', 0, 1, 2, c.units,
                                                    static_cast<std::uint8_t>(c.xDensity >> 8), static_cast<std::uint8_t>(c.xDensity),
                                                    static_cast<std::uint8_t>(c.yDensity >> 8), static_cast<std::uint8_t>(c.yDensity), 0, 0};
        EXPECT_EQ(Bytes(Fields(layout, 0xE0)), expected) << c.x << " x " << c.y;
    }
}

TEST(JpegHeaders, FrameGivesSizeComponentsAndSampling) {
    const struct { PixelFormat format; std::uint32_t width, height; std::vector<std::uint8_t> components; } cases[] = {
        {PixelFormat::Gray8, 21, 13, {1, 0x11, 0}},
        {PixelFormat::BlackWhite1, 1, 65535, {1, 0x11, 0}},
        {PixelFormat::Gray8, 65535, 1, {1, 0x11, 0}},
        {PixelFormat::Rgb24, 300, 7, {1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}},
    };
    for (const auto& c : cases) {
        const auto file = Encode(c.format, 300, 300, 85, c.width, c.height);
        const JpegLayout layout = Parse(file);
        std::vector<std::uint8_t> expected = {8, static_cast<std::uint8_t>(c.height >> 8), static_cast<std::uint8_t>(c.height),
                                              static_cast<std::uint8_t>(c.width >> 8), static_cast<std::uint8_t>(c.width),
                                              static_cast<std::uint8_t>(c.components.size() / 3)};
        expected.insert(expected.end(), c.components.begin(), c.components.end());
        EXPECT_EQ(Bytes(Fields(layout, 0xC0)), expected) << c.width << "x" << c.height;
    }
}

// Each component's DC and AC tables are the ones its quantisation table index names.
TEST(JpegHeaders, ScanCoversAllComponentsWithTheirTables) {
    EXPECT_EQ(Bytes(Fields(Parse(Encode(PixelFormat::Gray8)), 0xDA)), (std::vector<std::uint8_t>{1, 1, 0x00, 0, 63, 0}));
    EXPECT_EQ(Bytes(Fields(Parse(Encode(PixelFormat::Rgb24)), 0xDA)),
              (std::vector<std::uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));
}

std::vector<std::uint8_t> HuffmanFields(std::initializer_list<std::pair<std::uint8_t, const HuffmanTable*>> tables) {
    std::vector<std::uint8_t> fields;
    for (const auto& [id, table] : tables) {
        fields.push_back(id);
        fields.insert(fields.end(), table->counts.begin(), table->counts.end());
        fields.insert(fields.end(), table->symbols.begin(), table->symbols.end());
    }
    return fields;
}

TEST(JpegHeaders, HuffmanTablesAreAnnexKs) {
    EXPECT_EQ(Bytes(Fields(Parse(Encode(PixelFormat::Gray8)), 0xC4)), HuffmanFields({{0x00, &kLuminanceDc}, {0x10, &kLuminanceAc}}));
    EXPECT_EQ(Bytes(Fields(Parse(Encode(PixelFormat::Rgb24)), 0xC4)),
              HuffmanFields({{0x00, &kLuminanceDc}, {0x10, &kLuminanceAc}, {0x01, &kChrominanceDc}, {0x11, &kChrominanceAc}}));
}

// The DQT fields back in natural order, one table per 65 bytes.
std::vector<QuantTable> QuantTablesOf(const std::vector<std::uint8_t>& file) {
    const auto fields = Fields(Parse(file), 0xDB);
    std::vector<QuantTable> tables;
    for (std::size_t at = 0; at + 65 <= fields.size(); at += 65) {
        EXPECT_EQ(fields[at], tables.size()) << "8-bit precision, destinations in order";
        QuantTable table{};
        for (std::size_t k = 0; k < 64; ++k) table[kZigzagToNatural[k]] = fields[at + 1 + k];
        tables.push_back(table);
    }
    EXPECT_EQ(tables.size() * 65, fields.size());
    return tables;
}

TEST(JpegHeaders, QuantTablesFollowTheQuality) {
    QuantTable ones{}, worst{};
    ones.fill(1);
    worst.fill(255);
    const struct { int quality; QuantTable luminance, chrominance; } cases[] = {
        {50, kLuminanceQuant, kChrominanceQuant},
        {100, ones, ones},
        {250, ones, ones},
        {1, worst, worst},
        {0, worst, worst},
        {-20, worst, worst},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuantTablesOf(Encode(PixelFormat::Gray8, 300, 300, c.quality)), std::vector<QuantTable>{c.luminance}) << c.quality;
        EXPECT_EQ(QuantTablesOf(Encode(PixelFormat::Rgb24, 300, 300, c.quality)), (std::vector<QuantTable>{c.luminance, c.chrominance}))
            << c.quality;
    }
}

}  // namespace
}  // namespace vantrel::imaging::jpeg
