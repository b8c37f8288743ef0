// The source's pure logic: the state table, log lines, the environment's settings, DIB packing.
#include "scanner/log_line.h"
#include "scanner/packed_dib.h"
#include "scanner/scan_settings.h"
#include "scanner/state_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel::scanner {
namespace {

using namespace twain;

// The states (3 to 7) the TWAIN state diagram allows each triplet in, as digits; none: not served.
TEST(StateTable, AdmitsEachTripletExactlyInItsStates) {
    struct Rule {
        Triplet triplet;
        const char* states;
    };
    const Rule rules[] = {
        {{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}, "3"},
        {{DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS}, "4"},
        {{DG_CONTROL, DAT_ENTRYPOINT, MSG_SET}, "34"},
        {{DG_CONTROL, DAT_CAPABILITY, MSG_SET}, "4"},
        {{DG_CONTROL, DAT_CAPABILITY, MSG_GET}, "4567"},
        {{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}, "4"},
        {{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}, "5"},
        {{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT}, "567"},
        {{DG_IMAGE, DAT_IMAGEINFO, MSG_GET}, "67"},
        {{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, "6"},
        {{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}, "67"},
        {{DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET}, "6"},
        {{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}, "67"},
        {{DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET}, "6"},
        {{DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET}, "456"},
        {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET}, "4"},
        {{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET}, nullptr},
        {{DG_CONTROL, DAT_CAPABILITY, 0x0009}, nullptr},  // MSG_GETHELP
        {{DG_CONTROL, DAT_IMAGEINFO, MSG_GET}, nullptr},  // the right argument in the wrong group
    };
    for (const Rule& rule : rules) {
        for (int n = 3; n <= 7; ++n) {
            const auto state = static_cast<State>(n);
            SCOPED_TRACE(FormatLogLine(rule.triplet, state, state, 0, 0, ""));
            const Admission expected = !rule.states                                ? Admission::Unsupported
                                       : std::strchr(rule.states, '0' + n) != nullptr ? Admission::Admitted
                                                                                     : Admission::WrongState;
            EXPECT_EQ(Admit(rule.triplet, state), expected);
        }
    }
}

TEST(LogLine, NamesTheTripletStatesReturnAndConditionCodesAndTheDetail) {
    EXPECT_EQ(FormatLogLine({DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}, State::TransferReady, State::TransferReady,
                            TWRC_FAILURE, TWCC_PAPERJAM, ""),
              "DG_IMAGE DAT_IMAGEMEMXFER MSG_GET 6->6 TWRC_FAILURE TWCC_PAPERJAM");
    EXPECT_EQ(FormatLogLine({0x10, 0x1234, 0x9999}, State::Open, State::Open, 42, 77, ""),
              "DG_0x0010 DAT_0x1234 MSG_0x9999 4->4 TWRC_0x002A TWCC_0x004D");
}

TEST(Settings, TheEnvironmentsSpellingsAndAnythingElseKeepingTheDefaults) {
    for (const char* text : {"Color", "", "purple"}) EXPECT_FALSE(ParseMode(text)) << text;
    for (const char* text : {"", "400x", "x300", "400x300x2", "-400x300", "15x300", "400x4001", "4 00x300"}) {
        EXPECT_FALSE(ParseSize(text)) << text;
    }
    EXPECT_TRUE(ParseSize("16x4000"));
    const ScanSettings defaults;
    const ScanSettings parsed = SettingsFrom("purple", "huge");
    EXPECT_EQ(parsed.mode, defaults.mode);
    EXPECT_EQ(parsed.width, defaults.width);
    const ScanSettings chosen = SettingsFrom("bw", "100x50");
    EXPECT_EQ(ChartLabel(chosen), "100 x 50, 1-bit black and white");
}

TEST(DibLayout, RowsArePaddedToFourBytesAndPalettesSized) {
    struct Case {
        int width;
        ColourMode mode;
        std::uint32_t stride, palette;
    };
    const Case cases[] = {
        {3, ColourMode::Colour, 12, 0},     {4, ColourMode::Colour, 12, 0},  {5, ColourMode::Grey, 8, 256},
        {8, ColourMode::Grey, 8, 256},      {33, ColourMode::BlackWhite, 8, 2}, {32, ColourMode::BlackWhite, 4, 2},
    };
    for (const Case& c : cases) {
        const std::optional<DibLayout> layout = PlanDib(c.width, 7, c.mode);
        ASSERT_TRUE(layout);
        EXPECT_EQ(std::tuple(layout->stride, layout->paletteEntries, layout->imageBytes, layout->totalBytes),
                  std::tuple(c.stride, c.palette, c.stride * 7, 40 + 4 * c.palette + c.stride * 7))
            << c.width;
    }
    EXPECT_FALSE(PlanDib(0, 7, ColourMode::Colour));
    EXPECT_FALSE(PlanDib(70000, 70000, ColourMode::Colour));
}

// Red, green on top; blue, white below: rows bottom-up and padded, in each mode's pixel order.
TEST(PackedDib, RowsGoBottomUpInEachModesPixelOrder) {
    const Rgb four[] = {MakeRgb(255, 0, 0), MakeRgb(0, 255, 0), MakeRgb(0, 0, 255), MakeRgb(255, 255, 255)};
    struct Case {
        ColourMode mode;
        std::uint16_t bits;
        std::uint32_t palette;           // black first, white last
        std::vector<std::uint8_t> rows;  // from the bottom row on
    };
    const Case cases[] = {
        {ColourMode::Colour, 24, 0, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0}},
        {ColourMode::Grey, 8, 256, {GreyLevel(four[2]), 255, 0, 0, GreyLevel(four[0]), GreyLevel(four[1]), 0, 0}},
        {ColourMode::BlackWhite, 1, 2, {0x40, 0, 0, 0}},  // the leftmost pixel in the most significant bit
    };
    for (const Case& c : cases) {
        const std::optional<DibLayout> layout = PlanDib(2, 2, c.mode);
        ASSERT_TRUE(layout);
        std::vector<std::uint8_t> dib(layout->totalBytes, 0xCD);
        ASSERT_TRUE(WritePackedDib(four, c.mode, *layout, dib));
        std::uint32_t header[10];  // biSize .. biClrUsed
        std::memcpy(header, dib.data(), sizeof header);
        EXPECT_EQ(std::tuple(header[0], header[3] >> 16, header[8]), std::tuple(40u, c.bits, c.palette)) << "biBitCount, biClrUsed";
        const auto bits = dib.begin() + 40 + 4 * c.palette;
        EXPECT_EQ(std::vector<std::uint8_t>(bits, bits + static_cast<std::ptrdiff_t>(c.rows.size())), c.rows);
        if (c.palette == 0) continue;
        std::uint32_t ends[2];  // the palette's first and last entries
        std::memcpy(&ends[0], &dib[40], 4);
        std::memcpy(&ends[1], &dib[40 + 4 * (c.palette - 1)], 4);
        EXPECT_EQ(std::pair(ends[0], ends[1]), std::pair(0u, 0x00FFFFFFu)) << "black, white";
    }
    EXPECT_GT(GreyLevel(four[1]), GreyLevel(four[0])) << "green looks brighter than red";
    EXPECT_GT(GreyLevel(four[0]), GreyLevel(four[2])) << "and red brighter than blue";
    std::vector<std::uint8_t> small(PlanDib(2, 2, ColourMode::Colour)->totalBytes - 1);
    EXPECT_FALSE(WritePackedDib(four, ColourMode::Colour, *PlanDib(2, 2, ColourMode::Colour), small));
}

}  // namespace
}  // namespace vantrel::scanner
