// The source's pure logic: the state table, log lines, settings, chart pixels, DIB packing, capabilities, identity.
#include "scanner/capabilities.h"
#include "scanner/log_line.h"
#include "scanner/packed_dib.h"
#include "scanner/scan_settings.h"
#include "scanner/state_machine.h"
#include "scanner/test_chart.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace vantrel::scanner {
namespace {

using namespace twain;

constexpr State kAllStates[] = {State::Closed, State::Open, State::Enabled, State::TransferReady, State::Transferring};

struct StateRule {
    Triplet triplet;
    std::initializer_list<State> allowed;
};

// The states the TWAIN state diagram allows for each triplet a source serves.
const StateRule kStateRules[] = {
    {{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}, {State::Closed}},
    {{DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS}, {State::Open}},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_SET}, {State::Open}},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_GET}, {State::Open, State::Enabled, State::TransferReady, State::Transferring}},
    {{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}, {State::Open}},
    {{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}, {State::Enabled}},
    {{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT}, {State::Enabled, State::TransferReady, State::Transferring}},
    {{DG_IMAGE, DAT_IMAGEINFO, MSG_GET}, {State::TransferReady, State::Transferring}},
    {{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, {State::TransferReady}},
    {{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}, {State::TransferReady, State::Transferring}},
    {{DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET}, {State::TransferReady}},
    {{DG_CONTROL, DAT_IDENTITY, MSG_GET}, {State::Closed, State::Open, State::Enabled, State::TransferReady, State::Transferring}},
    {{DG_CONTROL, DAT_ENTRYPOINT, MSG_SET}, {State::Closed, State::Open}},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_RESET}, {State::Open}},
    {{DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT}, {State::Open, State::Enabled, State::TransferReady, State::Transferring}},
    {{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}, {State::TransferReady, State::Transferring}},
    {{DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET}, {State::TransferReady}},
    {{DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET}, {State::Open, State::Enabled, State::TransferReady}},
    {{DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET}, {State::Open}},
};

bool Contains(std::initializer_list<State> states, State state) {
    for (State s : states) {
        if (s == state) return true;
    }
    return false;
}

TEST(StateTable, AdmitsEachTripletExactlyInItsStates) {
    for (const StateRule& rule : kStateRules) {
        for (State state : kAllStates) {
            SCOPED_TRACE(FormatLogLine(rule.triplet, state, state, 0, 0, ""));
            const Admission expected = Contains(rule.allowed, state) ? Admission::Admitted : Admission::WrongState;
            EXPECT_EQ(Admit(rule.triplet, state), expected);
        }
    }
}

TEST(StateTable, TripletsTheSourceDoesNotServeAreUnsupportedInEveryState) {
    const Triplet unserved[] = {
        {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET},
        {DG_CONTROL, DAT_PARENT, MSG_OPENDSM},
        {DG_CONTROL, DAT_CAPABILITY, 0x0009},  // MSG_GETHELP
        {DG_IMAGE, DAT_IMAGEINFO, MSG_SET},
        {DG_CONTROL, DAT_IMAGEINFO, MSG_GET},  // the right argument in the wrong group
    };
    for (const Triplet& triplet : unserved) {
        for (State state : kAllStates) EXPECT_EQ(Admit(triplet, state), Admission::Unsupported);
    }
}

TEST(LogLine, NamesTheTripletStatesReturnAndConditionCodesAndTheDetail) {
    struct Case {
        Triplet triplet;
        State from;
        State to;
        TW_UINT16 rc;
        TW_UINT16 cc;
        const char* detail;
        const char* line;
    };
    const Case cases[] = {
        {{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}, State::Closed, State::Open, TWRC_SUCCESS, TWCC_SUCCESS, "",
         "DG_CONTROL DAT_IDENTITY MSG_OPENDS 3->4 TWRC_SUCCESS"},
        {{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}, State::Open, State::Open, TWRC_FAILURE, TWCC_SEQERROR, "",
         "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET 4->4 TWRC_FAILURE TWCC_SEQERROR"},
        {{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT}, State::Enabled, State::TransferReady, TWRC_DSEVENT, TWCC_SUCCESS,
         "MSG_XFERREADY", "DG_CONTROL DAT_EVENT MSG_PROCESSEVENT 5->6 TWRC_DSEVENT MSG_XFERREADY"},
        {{DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}, State::TransferReady, State::TransferReady, TWRC_FAILURE, TWCC_PAPERJAM, "",
         "DG_IMAGE DAT_IMAGEMEMXFER MSG_GET 6->6 TWRC_FAILURE TWCC_PAPERJAM"},
        {{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}, State::Open, State::Open, TWRC_FAILURE, TWCC_NOMEDIA, "",
         "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS 4->4 TWRC_FAILURE TWCC_NOMEDIA"},
        {{DG_CONTROL, DAT_ENTRYPOINT, MSG_SET}, State::Closed, State::Closed, TWRC_SUCCESS, TWCC_SUCCESS, "",
         "DG_CONTROL DAT_ENTRYPOINT MSG_SET 3->3 TWRC_SUCCESS"},
        {{0x10, 0x1234, 0x9999}, State::Open, State::Open, 42, 77, "", "DG_0x0010 DAT_0x1234 MSG_0x9999 4->4 TWRC_0x002A TWCC_0x004D"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatLogLine(c.triplet, c.from, c.to, c.rc, c.cc, c.detail), c.line);
}

TEST(Settings, TheEnvironmentsSpellingsAndAnythingElseKeepingTheDefaults) {
    EXPECT_EQ(ParseMode("color"), ColourMode::Colour);
    EXPECT_EQ(ParseMode("gray"), ColourMode::Grey);
    EXPECT_EQ(ParseMode("bw"), ColourMode::BlackWhite);
    for (const char* text : {"Color", "", "purple"}) EXPECT_FALSE(ParseMode(text)) << text;
    for (const char* text : {"", "400", "400x", "x300", "400x300x2", "-400x300", "15x300", "400x4001", "4 00x300", "abcxdef"}) {
        EXPECT_FALSE(ParseSize(text)) << text;
    }
    EXPECT_TRUE(ParseSize("16x4000"));
    const ScanSettings defaults;
    const ScanSettings parsed = SettingsFrom("purple", "huge");
    EXPECT_EQ(parsed.mode, defaults.mode);
    EXPECT_EQ(parsed.width, defaults.width);
    EXPECT_EQ(parsed.height, defaults.height);
    const ScanSettings chosen = SettingsFrom("bw", "100x50");
    EXPECT_EQ(chosen.mode, ColourMode::BlackWhite);
    EXPECT_EQ(chosen.width, 100);
    EXPECT_EQ(chosen.height, 50);
    EXPECT_EQ(ChartLabel(chosen), "100 x 50, 1-bit black and white");
}

TEST(Chart, BarsRunFromWhiteToBlackAcrossTheTop) {
    const int width = 160, height = 100;
    const std::vector<Rgb> pixels = PaintChart(width, height);
    ASSERT_EQ(pixels.size(), std::size_t{width * height});
    for (int bar = 0; bar < 8; ++bar) {
        const int centre = bar * width / 8 + width / 16;
        EXPECT_EQ(pixels[centre], kBarColours[bar]) << "bar " << bar;
    }
    EXPECT_EQ(pixels[0], MakeRgb(255, 255, 255));
    EXPECT_EQ(pixels[width - 1], MakeRgb(0, 0, 0));
}

TEST(Chart, RampRisesFromBlackToWhiteAndLabelBandIsWhite) {
    const int width = 97, height = 40;
    const std::vector<Rgb> pixels = PaintChart(width, height);
    const ChartBands bands = BandsFor(height);
    ASSERT_LT(bands.barsBottom, bands.labelBottom);
    ASSERT_LT(bands.labelBottom, height);
    const Rgb* bottom = &pixels[static_cast<std::size_t>(height - 1) * width];
    EXPECT_EQ(bottom[0], MakeRgb(0, 0, 0));
    EXPECT_EQ(bottom[width - 1], MakeRgb(255, 255, 255));
    for (int x = 1; x < width; ++x) {
        EXPECT_EQ(RedOf(bottom[x]), BlueOf(bottom[x]));
        EXPECT_GE(RedOf(bottom[x]), RedOf(bottom[x - 1]));
    }
    for (int y = bands.barsBottom; y < bands.labelBottom; ++y) {
        for (int x = 0; x < width; ++x) ASSERT_EQ(pixels[static_cast<std::size_t>(y) * width + x], MakeRgb(255, 255, 255));
    }
}

TEST(DibLayout, RowsArePaddedToFourBytesAndPalettesSized) {
    struct Case {
        int width;
        ColourMode mode;
        std::uint32_t stride;
        std::uint32_t palette;
    };
    const Case cases[] = {
        {3, ColourMode::Colour, 12, 0},     {4, ColourMode::Colour, 12, 0},  {5, ColourMode::Grey, 8, 256},
        {8, ColourMode::Grey, 8, 256},      {33, ColourMode::BlackWhite, 8, 2}, {32, ColourMode::BlackWhite, 4, 2},
    };
    for (const Case& c : cases) {
        const std::optional<DibLayout> layout = PlanDib(c.width, 7, c.mode);
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->stride, c.stride) << c.width;
        EXPECT_EQ(layout->paletteEntries, c.palette) << c.width;
        EXPECT_EQ(layout->imageBytes, c.stride * 7);
        EXPECT_EQ(layout->bitsOffset, 40 + 4 * c.palette);
        EXPECT_EQ(layout->totalBytes, layout->bitsOffset + layout->imageBytes);
    }
    EXPECT_FALSE(PlanDib(0, 7, ColourMode::Colour));
    EXPECT_FALSE(PlanDib(7, -1, ColourMode::Colour));
    EXPECT_FALSE(PlanDib(70000, 70000, ColourMode::Colour));
}

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}

std::vector<std::uint8_t> Pack(const std::vector<Rgb>& pixels, int width, int height, ColourMode mode) {
    const std::optional<DibLayout> layout = PlanDib(width, height, mode);
    std::vector<std::uint8_t> out(layout ? layout->totalBytes : 0, 0xCD);
    EXPECT_TRUE(layout && WritePackedDib(pixels, mode, *layout, out));
    return out;
}

// Red, green on top; blue, white below.
const std::vector<Rgb> kFour = {MakeRgb(255, 0, 0), MakeRgb(0, 255, 0), MakeRgb(0, 0, 255), MakeRgb(255, 255, 255)};

TEST(PackedDib, ColourHeaderAndBottomUpRowsInBlueGreenRedOrder) {
    const std::vector<std::uint8_t> dib = Pack(kFour, 2, 2, ColourMode::Colour);
    ASSERT_EQ(dib.size(), 40u + 2 * 8);
    EXPECT_EQ(Read32(dib, 0), 40u);
    EXPECT_EQ(Read32(dib, 4), 2u);
    EXPECT_EQ(Read32(dib, 8), 2u);
    EXPECT_EQ(dib[12] | dib[13] << 8, 1);
    EXPECT_EQ(dib[14] | dib[15] << 8, 24);
    EXPECT_EQ(Read32(dib, 16), 0u);
    EXPECT_EQ(Read32(dib, 20), 16u);
    EXPECT_EQ(Read32(dib, 32), 0u);
    const std::vector<std::uint8_t> bottomRow(dib.begin() + 40, dib.begin() + 48);
    const std::vector<std::uint8_t> topRow(dib.begin() + 48, dib.end());
    EXPECT_EQ(bottomRow, (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 255, 0, 0}));
    EXPECT_EQ(topRow, (std::vector<std::uint8_t>{0, 0, 255, 0, 255, 0, 0, 0}));
}

TEST(PackedDib, GreyHasAFullGreyRampPalette) {
    const std::vector<std::uint8_t> dib = Pack(kFour, 2, 2, ColourMode::Grey);
    EXPECT_EQ(Read32(dib, 32), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        const std::size_t at = 40 + 4 * i;
        ASSERT_EQ(dib[at], i);
        ASSERT_EQ(dib[at + 1], i);
        ASSERT_EQ(dib[at + 2], i);
        ASSERT_EQ(dib[at + 3], 0);
    }
    const std::size_t bits = 40 + 1024;
    EXPECT_EQ(dib[bits + 1], 255);                   // bottom right: white
    EXPECT_EQ(dib[bits + 4 + 0], GreyLevel(kFour[0]));  // top left: red
    EXPECT_GT(dib[bits + 4 + 1], dib[bits + 4 + 0]);  // green looks brighter than red
    EXPECT_GT(dib[bits + 4 + 0], dib[bits + 0]);      // and red brighter than blue
}

TEST(PackedDib, BlackAndWhiteSetsTheMostSignificantBitForTheLeftmostWhitePixel) {
    const int width = 10;
    std::vector<Rgb> pixels(width, MakeRgb(0, 0, 0));
    pixels[0] = pixels[9] = MakeRgb(255, 255, 255);
    const std::vector<std::uint8_t> dib = Pack(pixels, width, 1, ColourMode::BlackWhite);
    EXPECT_EQ(Read32(dib, 32), 2u);
    EXPECT_EQ(Read32(dib, 40), 0u);          // index 0: black
    EXPECT_EQ(Read32(dib, 44), 0x00FFFFFFu);  // index 1: white
    EXPECT_EQ(dib[48], 0x80);
    EXPECT_EQ(dib[49], 0x40);
    EXPECT_EQ(dib[50], 0);
    EXPECT_EQ(dib[51], 0);
}

TEST(PackedDib, RefusesTooSmallBuffersAndMismatchedPixels) {
    const std::optional<DibLayout> layout = PlanDib(2, 2, ColourMode::Colour);
    ASSERT_TRUE(layout);
    std::vector<std::uint8_t> small(layout->totalBytes - 1);
    EXPECT_FALSE(WritePackedDib(kFour, ColourMode::Colour, *layout, small));
    std::vector<std::uint8_t> enough(layout->totalBytes);
    EXPECT_FALSE(WritePackedDib(std::vector<Rgb>(3), ColourMode::Colour, *layout, enough));
}

TEST(Dither, ExtremesAreSolidAndMidGreyIsHalfWhite) {
    int white = 0;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_TRUE(WhiteAt(255, x, y));
            EXPECT_FALSE(WhiteAt(0, x, y));
            white += WhiteAt(128, x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(white, 8);
    EXPECT_EQ(GreyLevel(MakeRgb(255, 255, 255)), 255);
    EXPECT_EQ(GreyLevel(MakeRgb(0, 0, 0)), 0);
}

}  // namespace
}  // namespace vantrel::scanner
