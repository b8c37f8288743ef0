// The capability model: containers as bytes, every message, the checks and their condition codes.
#include "scanner/capabilities.h"
#include "scanner/capability_container.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vantrel::scanner {
namespace {

using namespace twain;

Container One(TW_UINT16 type, TW_UINT32 value) { return {TWON_ONEVALUE, type, {value}}; }

Reply Ask(TW_UINT16 msg, TW_UINT16 cap, CapabilityState& state, const Container* request = nullptr) {
    return AnswerCapability(msg, cap, state, request);
}

Reply SetTo(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value, CapabilityState& state) {
    const Container request = One(type, value);
    return AnswerCapability(MSG_SET, cap, state, &request);
}

TW_UINT32 Current(TW_UINT16 cap, CapabilityState& state) { return Ask(MSG_GETCURRENT, cap, state).container->items.at(0); }

TEST(CapabilityContainer, EncodesEachContainerAsTwainLaysItOut) {
    EXPECT_EQ(EncodeContainer(One(TWTY_UINT16, 0x0102)), (std::vector<std::uint8_t>{0x04, 0x00, 0x02, 0x01, 0x00, 0x00}));
    const std::vector<std::uint8_t> enumeration = EncodeContainer({TWON_ENUMERATION, TWTY_UINT16, {0, 1, 2}, 2, 1});
    ASSERT_EQ(enumeration.size(), offsetof(TW_ENUMERATION, ItemList) + 3 * 2);
    TW_ENUMERATION header;
    std::memcpy(&header, enumeration.data(), offsetof(TW_ENUMERATION, ItemList));
    EXPECT_EQ(header.NumItems, 3u);
    EXPECT_EQ(header.CurrentIndex, 2u);
    EXPECT_EQ(header.DefaultIndex, 1u);
    EXPECT_EQ(enumeration[offsetof(TW_ENUMERATION, ItemList) + 4], 2);
    Container range{TWON_RANGE, TWTY_FIX32, {}};
    range.minValue = ToFix32(-1000);
    TW_RANGE decoded{};
    const std::vector<std::uint8_t> rangeBytes = EncodeContainer(range);
    ASSERT_EQ(rangeBytes.size(), sizeof decoded);
    std::memcpy(&decoded, rangeBytes.data(), sizeof decoded);
    EXPECT_EQ(decoded.MinValue, ToFix32(-1000));
    EXPECT_EQ(EncodeContainer({TWON_ARRAY, TWTY_UINT16, {7, 8}}).size(), offsetof(TW_ARRAY, ItemList) + 4);
    EXPECT_TRUE(EncodeContainer({TWON_ONEVALUE, TWTY_FRAME, {1}}).empty()) << "no size for frames here";
}

TEST(CapabilityContainer, DecodesOnlyWholeOneValuesAndFix32RoundTrips) {
    const std::uint8_t bytes[] = {0x06, 0x00, 0x01, 0x00, 0xFF, 0xFF};
    const std::optional<Container> value = DecodeOneValue(bytes);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->itemType, TWTY_BOOL);
    EXPECT_EQ(value->items.at(0), 0xFFFF0001u);
    EXPECT_FALSE(DecodeOneValue(std::span(bytes, 5)));
    for (double v : {0.0, 300.0, -1000.0, 8.5, 11.6929}) EXPECT_NEAR(FromFix32(ToFix32(v)), v, 1.0 / 65536) << v;
    EXPECT_EQ(ToFix32(-0.5), 0x8000FFFFu) << "whole -1, fraction one half";
}

TEST(Capabilities, AnEnumerationsIndexesPointAtTheCurrentAndDefaultValues) {
    CapabilityState state = StateFrom({ColourMode::Grey, 400, 300});
    ASSERT_EQ(SetTo(ICAP_XRESOLUTION, TWTY_FIX32, ToFix32(300), state).rc, TWRC_SUCCESS);
    const Reply resolution = Ask(MSG_GET, ICAP_XRESOLUTION, state);
    EXPECT_EQ(resolution.container->conType, TWON_ENUMERATION);
    EXPECT_EQ(resolution.container->items.at(resolution.container->currentIndex), ToFix32(300));
    EXPECT_EQ(resolution.container->items.at(resolution.container->defaultIndex), Ask(MSG_GETDEFAULT, ICAP_XRESOLUTION, state).container->items.at(0));
    const Reply pixelType = Ask(MSG_GET, ICAP_PIXELTYPE, state);
    EXPECT_EQ(pixelType.container->items.at(pixelType.container->currentIndex), TWPT_GRAY) << "the environment's mode";
}

TEST(Capabilities, SetValuesAreCheckedAndReadBack) {
    CapabilityState state = StateFrom({});
    EXPECT_EQ(SetTo(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_BITDEPTH, state), 8u) << "the depth follows the pixel type";
    EXPECT_EQ(SetTo(ICAP_BITDEPTH, TWTY_UINT16, 24, state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetTo(ICAP_PIXELTYPE, TWTY_UINT16, 7, state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetTo(ICAP_PIXELTYPE, TWTY_UINT32, TWPT_BW, state).cc, TWCC_BADVALUE) << "wrong item type";
    EXPECT_EQ(state.current.mode, ColourMode::Grey) << "a refused value changes nothing";

    EXPECT_EQ(SetTo(ICAP_XRESOLUTION, TWTY_FIX32, ToFix32(300), state).rc, TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_XRESOLUTION, state), ToFix32(300));
    const Reply rounded = SetTo(ICAP_YRESOLUTION, TWTY_FIX32, ToFix32(290), state);
    EXPECT_EQ(rounded.rc, TWRC_CHECKSTATUS) << "rounded to the nearest offered";
    EXPECT_EQ(Current(ICAP_YRESOLUTION, state), ToFix32(300));
    EXPECT_EQ(SetTo(ICAP_YRESOLUTION, TWTY_FIX32, ToFix32(2400), state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetTo(ICAP_YRESOLUTION, TWTY_FIX32, ToFix32(10), state).cc, TWCC_BADVALUE);

    EXPECT_EQ(SetTo(ICAP_BRIGHTNESS, TWTY_FIX32, ToFix32(-250), state).rc, TWRC_SUCCESS);
    EXPECT_EQ(state.current.brightness, -250);
    EXPECT_EQ(SetTo(ICAP_CONTRAST, TWTY_FIX32, ToFix32(10.5), state).rc, TWRC_CHECKSTATUS);
    EXPECT_EQ(SetTo(ICAP_CONTRAST, TWTY_FIX32, ToFix32(1001), state).cc, TWCC_BADVALUE);

    EXPECT_EQ(SetTo(CAP_XFERCOUNT, TWTY_INT16, 2, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(state.current.xferCount, 2);
    EXPECT_EQ(SetTo(CAP_XFERCOUNT, TWTY_INT16, 0, state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetTo(CAP_XFERCOUNT, TWTY_INT16, 0xFFFE, state).cc, TWCC_BADVALUE) << "-2";

    EXPECT_EQ(SetTo(CAP_INDICATORS, TWTY_BOOL, 0xFFFF0000u, state).rc, TWRC_SUCCESS);
    EXPECT_FALSE(state.current.indicators) << "only the TW_BOOL's 16 bits count";
    EXPECT_EQ(SetTo(CAP_INDICATORS, TWTY_UINT16, 1, state).cc, TWCC_BADVALUE);
}

TEST(Capabilities, AColourLimitNarrowsTheResolutionsInColourOnly) {
    CapabilityState state = StateFrom({});
    state.colourMaxDpi = 300;
    struct Case {
        TW_UINT16 pixelType;
        int dpi;
        TW_UINT16 rc;
        TW_UINT16 cc;
    };
    const Case cases[] = {
        {TWPT_RGB, 300, TWRC_SUCCESS, TWCC_SUCCESS},
        {TWPT_RGB, 600, TWRC_FAILURE, TWCC_BADVALUE},
        {TWPT_RGB, 350, TWRC_CHECKSTATUS, TWCC_SUCCESS},  // the nearest colour allows
        {TWPT_BW, 600, TWRC_SUCCESS, TWCC_SUCCESS},
        {TWPT_GRAY, 1200, TWRC_SUCCESS, TWCC_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        ASSERT_EQ(SetTo(ICAP_PIXELTYPE, TWTY_UINT16, c.pixelType, state).rc, TWRC_SUCCESS);
        const Reply reply = SetTo(ICAP_XRESOLUTION, TWTY_FIX32, ToFix32(c.dpi), state);
        EXPECT_EQ(reply.rc, c.rc);
        EXPECT_EQ(reply.cc, c.cc);
    }
    EXPECT_EQ(Ask(MSG_GET, ICAP_XRESOLUTION, state).container->items.size(), std::size(kResolutions)) << "grey: every one";
    ASSERT_EQ(SetTo(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(Current(ICAP_XRESOLUTION, state), ToFix32(300)) << "colour brought 1200 down to its limit";
    EXPECT_EQ(Ask(MSG_GET, ICAP_XRESOLUTION, state).container->items.size(), 6u) << "75 to 300";
}

TEST(Capabilities, ReadOnlyUnsupportedAndDependentCapabilitiesFailWithTheirCodes) {
    CapabilityState state = StateFrom({});
    EXPECT_EQ(SetTo(CAP_FEEDERLOADED, TWTY_BOOL, 1, state).cc, TWCC_CAPBADOPERATION);
    EXPECT_EQ(Ask(MSG_RESET, ICAP_PHYSICALWIDTH, state).cc, TWCC_CAPBADOPERATION);
    EXPECT_EQ(Ask(MSG_GET, 0x8123, state).cc, TWCC_CAPUNSUPPORTED);
    EXPECT_EQ(Ask(MSG_QUERYSUPPORT, 0x8123, state).cc, TWCC_CAPUNSUPPORTED);
    EXPECT_EQ(Ask(MSG_SET, ICAP_PIXELTYPE, state, nullptr).cc, TWCC_BADVALUE) << "no container";
    const Container enumeration{TWON_ENUMERATION, TWTY_UINT16, {TWPT_BW}};
    EXPECT_EQ(Ask(MSG_SET, ICAP_PIXELTYPE, state, &enumeration).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetTo(CAP_AUTOFEED, TWTY_BOOL, 0, state).cc, TWCC_CAPSEQERROR) << "the feeder is off";
    EXPECT_EQ(SetTo(CAP_FEEDERENABLED, TWTY_BOOL, 1, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(SetTo(CAP_AUTOFEED, TWTY_BOOL, 0, state).rc, TWRC_SUCCESS);
    const Reply support = Ask(MSG_QUERYSUPPORT, CAP_FEEDERLOADED, state);
    EXPECT_EQ(support.container->items.at(0) & (TWQC_SET | TWQC_RESET), 0u);
}

TEST(Capabilities, ResetAndPaperSizesMoveTheFrame) {
    CapabilityState state = StateFrom({ColourMode::Colour, 400, 300});
    EXPECT_EQ(ImageSize(state.current).width, 400);
    EXPECT_EQ(ImageSize(state.current).height, 300);
    ASSERT_EQ(SetTo(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A4, state).rc, TWRC_SUCCESS);
    ASSERT_EQ(SetTo(ICAP_XRESOLUTION, TWTY_FIX32, ToFix32(300), state).rc, TWRC_SUCCESS);
    ASSERT_EQ(SetTo(ICAP_YRESOLUTION, TWTY_FIX32, ToFix32(300), state).rc, TWRC_SUCCESS);
    EXPECT_EQ(ImageSize(state.current).width, 2480);
    EXPECT_EQ(ImageSize(state.current).height, 3508);
    EXPECT_EQ(SetTo(ICAP_SUPPORTEDSIZES, TWTY_UINT16, 99, state).cc, TWCC_BADVALUE);

    const Reply reset = Ask(MSG_RESET, ICAP_SUPPORTEDSIZES, state);
    ASSERT_EQ(reset.rc, TWRC_SUCCESS);
    EXPECT_EQ(reset.container->conType, TWON_ENUMERATION) << "answered like MSG_GET";
    EXPECT_EQ(reset.container->items.at(reset.container->currentIndex), TWSS_NONE);
    EXPECT_EQ(state.current.frame.right, 4.0);

    EXPECT_EQ(SetLayout({1, 1, 2, 3}, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(ImageSize(state.current).width, 300);
    EXPECT_EQ(SetLayout({0, 0, 20, 3}, state).rc, TWRC_CHECKSTATUS) << "cut to the glass";
    EXPECT_EQ(state.current.frame.right, 8.5);
    EXPECT_EQ(SetLayout({2, 0, 1, 3}, state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetLayout({9, 0, 10, 3}, state).cc, TWCC_BADVALUE) << "wholly outside";
    ResetAll(state);
    EXPECT_EQ(state.current.xDpi, 100);
    EXPECT_EQ(ImageSize(state.current).width, 400);
}

}  // namespace
}  // namespace vantrel::scanner
