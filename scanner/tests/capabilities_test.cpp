// The capability model: containers as bytes, every message, the checks and their condition codes.
#include "scanner/capabilities.h"
#include "scanner/capability_container.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vantrel::scanner {
namespace {

using namespace twain;

TEST(CapabilityContainer, EncodesEachContainerAsTwainLaysItOutAndDecodesWholeOneValues) {
    EXPECT_EQ(EncodeContainer({TWON_ONEVALUE, TWTY_UINT16, {0x0102}}), (std::vector<std::uint8_t>{4, 0, 2, 1, 0, 0}));
    const std::vector<std::uint8_t> enumeration = EncodeContainer({TWON_ENUMERATION, TWTY_UINT16, {0, 1, 2}, 2, 1});
    ASSERT_EQ(enumeration.size(), offsetof(TW_ENUMERATION, ItemList) + 3 * 2);
    TW_ENUMERATION header;
    std::memcpy(&header, enumeration.data(), offsetof(TW_ENUMERATION, ItemList));
    EXPECT_EQ(header.NumItems * 100 + header.CurrentIndex * 10 + header.DefaultIndex, 321u);
    EXPECT_EQ(enumeration[offsetof(TW_ENUMERATION, ItemList) + 4], 2);
    TW_RANGE range{};
    const std::vector<std::uint8_t> rangeBytes = EncodeContainer({TWON_RANGE, TWTY_FIX32, {}, 0, 0, ToFix32(-1000)});
    ASSERT_EQ(rangeBytes.size(), sizeof range);
    std::memcpy(&range, rangeBytes.data(), sizeof range);
    EXPECT_EQ(range.MinValue, ToFix32(-1000));
    EXPECT_EQ(EncodeContainer({TWON_ARRAY, TWTY_UINT16, {7, 8}}).size(), offsetof(TW_ARRAY, ItemList) + 4);
    const std::vector<TW_UINT32> sides{ToFix32(1), ToFix32(2), ToFix32(8.5), ToFix32(11)};
    const std::vector<std::uint8_t> frame = EncodeContainer({TWON_ONEVALUE, TWTY_FRAME, sides});
    ASSERT_EQ(frame.size(), 2 + sizeof(TW_FRAME)) << "the frame in place of Item";
    TW_FRAME record;
    std::memcpy(&record, frame.data() + 2, sizeof record);
    EXPECT_EQ(record.Top.Whole * 1000 + record.Right.Whole * 100 + record.Right.Frac / 0x8000, 2801);
    EXPECT_EQ(DecodeOneValue(frame)->items, sides);
    EXPECT_FALSE(DecodeOneValue(std::span(frame.data(), frame.size() - 1))) << "a frame's last byte missing";
    EXPECT_EQ(EncodeContainer({TWON_ENUMERATION, TWTY_FRAME, {1, 2, 3, 4, 5, 6, 7, 8}})[2], 2) << "two frames";
    EXPECT_EQ(EncodeContainer({TWON_ARRAY, TWTY_FRAME, sides}).size(), offsetof(TW_ARRAY, ItemList) + 16);

    const std::uint8_t bytes[] = {0x06, 0x00, 0x01, 0x00, 0xFF, 0xFF};
    const std::optional<Container> value = DecodeOneValue(bytes);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->itemType, TWTY_BOOL);
    EXPECT_EQ(value->items.at(0), 0xFFFF0001u);
    EXPECT_FALSE(DecodeOneValue(std::span(bytes, 5)));
    for (double v : {0.0, 300.0, -1000.0, 8.5, 11.6929}) EXPECT_NEAR(FromFix32(ToFix32(v)), v, 1.0 / 65536) << v;
    EXPECT_EQ(ToFix32(-0.5), 0x8000FFFFu) << "whole -1, fraction one half";
}

// One scanner, its colour limited to 300 dpi, asked and set in turn. `item` is the value set, or the
// one answered: an enumeration's current item, a range's current value, else the first item.
TEST(Capabilities, EachMessageAnswersOrRefusesWithItsCode) {
    constexpr TW_UINT32 kAny = 0xFFFFFFFF;
    const auto F = [](double v) { return ToFix32(v); };
    struct Step {
        TW_UINT16 msg, cap;
        TW_UINT32 item;
        TW_UINT16 rc = TWRC_SUCCESS, cc = TWCC_SUCCESS;
        TW_UINT16 type = 0;  // of the value set, when not the capability's own
    };
    const Step steps[] = {
        {MSG_SET, ICAP_PIXELTYPE, TWPT_GRAY},
        {MSG_GETCURRENT, ICAP_BITDEPTH, 8},  // the depth follows the pixel type
        {MSG_SET, ICAP_BITDEPTH, 24, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_COMPRESSION, TWCP_GROUP4, TWRC_FAILURE, TWCC_BADVALUE},  // grey pages are coded as JPEG
        {MSG_SET, ICAP_COMPRESSION, TWCP_JPEG},
        {MSG_SET, ICAP_PIXELTYPE, TWPT_BW},
        {MSG_GETCURRENT, ICAP_COMPRESSION, TWCP_NONE},  // no 1-bit JPEG: the pages come raw again
        {MSG_SET, ICAP_COMPRESSION, TWCP_GROUP4},
        {MSG_SET, ICAP_PIXELTYPE, TWPT_GRAY},
        {MSG_GETCURRENT, ICAP_COMPRESSION, TWCP_NONE},
        {MSG_SET, ICAP_IMAGEFILEFORMAT, TWFF_JFIF},
        {MSG_SET, ICAP_IMAGEFILEFORMAT, 99, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_PIXELTYPE, 7, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_PIXELTYPE, TWPT_BW, TWRC_FAILURE, TWCC_BADVALUE, TWTY_UINT32},
        {MSG_GET, ICAP_PIXELTYPE, TWPT_GRAY},  // a refused value changes nothing
        {MSG_GETDEFAULT, ICAP_PIXELTYPE, TWPT_RGB},
        {MSG_SET, ICAP_XRESOLUTION, F(1200)},  // grey has every resolution
        {MSG_GETCURRENT, ICAP_XRESOLUTION, F(1200)},
        {MSG_SET, ICAP_YRESOLUTION, F(290), TWRC_CHECKSTATUS},  // the nearest offered is taken
        {MSG_GETCURRENT, ICAP_YRESOLUTION, F(300)},
        {MSG_SET, ICAP_YRESOLUTION, F(2400), TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_YRESOLUTION, F(10), TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_PIXELTYPE, TWPT_RGB},
        {MSG_GET, ICAP_XRESOLUTION, F(300)},  // colour brought 1200 down to its limit
        {MSG_SET, ICAP_XRESOLUTION, F(600), TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_XRESOLUTION, F(350), TWRC_CHECKSTATUS},  // the nearest colour allows
        {MSG_RESET, ICAP_XRESOLUTION, F(100)},
        {MSG_SET, ICAP_BRIGHTNESS, F(-250)},
        {MSG_GET, ICAP_BRIGHTNESS, F(-250)},
        {MSG_SET, ICAP_CONTRAST, F(10.5), TWRC_CHECKSTATUS},
        {MSG_SET, ICAP_CONTRAST, F(1001), TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, CAP_XFERCOUNT, 2},
        {MSG_GETCURRENT, CAP_XFERCOUNT, 2},
        {MSG_SET, CAP_XFERCOUNT, 0, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, CAP_XFERCOUNT, 0xFFFE, TWRC_FAILURE, TWCC_BADVALUE},  // -2
        {MSG_SET, CAP_INDICATORS, 0xFFFF0000u},
        {MSG_GETCURRENT, CAP_INDICATORS, 0},  // only the TW_BOOL's 16 bits count
        {MSG_SET, CAP_INDICATORS, 1, TWRC_FAILURE, TWCC_BADVALUE, TWTY_UINT16},
        {MSG_SET, CAP_AUTOFEED, 0, TWRC_FAILURE, TWCC_CAPSEQERROR},  // the feeder is off
        {MSG_SET, CAP_FEEDERENABLED, 1},
        {MSG_SET, CAP_AUTOFEED, 0},
        {MSG_SET, CAP_FEEDERLOADED, 1, TWRC_FAILURE, TWCC_CAPBADOPERATION},
        {MSG_QUERYSUPPORT, CAP_FEEDERLOADED, TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT},
        {MSG_RESET, ICAP_PHYSICALWIDTH, kAny, TWRC_FAILURE, TWCC_CAPBADOPERATION},
        {MSG_GET, 0x8123, kAny, TWRC_FAILURE, TWCC_CAPUNSUPPORTED},
        {MSG_QUERYSUPPORT, 0x8123, kAny, TWRC_FAILURE, TWCC_CAPUNSUPPORTED},
        {MSG_SET, ICAP_SUPPORTEDSIZES, 99, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_MAXFRAMES, 1},
        {MSG_SET, ICAP_MAXFRAMES, 2, TWRC_FAILURE, TWCC_BADVALUE},  // one frame per page
        {MSG_GET, ICAP_MAXFRAMES, 1},
        {MSG_SET, ICAP_FRAMES, F(1), TWRC_FAILURE, TWCC_BADVALUE},  // a frame is four values
        {MSG_QUERYSUPPORT, ICAP_FRAMES, TWQC_GET | TWQC_GETCURRENT | TWQC_GETDEFAULT | TWQC_SET | TWQC_RESET},
        // Its own clean-up, offered here: border detection only on pages of a length found while scanning.
        {MSG_SET, ICAP_AUTOMATICBORDERDETECTION, 1, TWRC_FAILURE, TWCC_CAPSEQERROR},
        {MSG_SET, ICAP_UNDEFINEDIMAGESIZE, 1},
        {MSG_SET, ICAP_AUTOMATICBORDERDETECTION, 1},
        {MSG_SET, ICAP_AUTODISCARDBLANKPAGES, 0, TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_AUTODISCARDBLANKPAGES, static_cast<TW_UINT32>(-3), TWRC_FAILURE, TWCC_BADVALUE},
        {MSG_SET, ICAP_AUTODISCARDBLANKPAGES, 4000},
        {MSG_GETCURRENT, ICAP_AUTODISCARDBLANKPAGES, 4000},
        {MSG_SET, ICAP_AUTODISCARDBLANKPAGES, static_cast<TW_UINT32>(TWBP_AUTO)},
    };
    CapabilityState state = StateFrom({});
    state.colourMaxDpi = 300;
    state.offered = {.blank = true, .deskew = true, .border = true};
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "message " << s.msg << " capability 0x" << std::hex << s.cap << " item " << s.item);
        std::optional<Container> request;
        if (s.msg == MSG_SET) {
            const Reply current = AnswerCapability(MSG_GETCURRENT, s.cap, state, nullptr);
            request = Container{TWON_ONEVALUE, s.type ? s.type : current.container->itemType, {s.item}};
        }
        const Reply reply = AnswerCapability(s.msg, s.cap, state, request ? &*request : nullptr);
        EXPECT_EQ(reply.rc, s.rc);
        EXPECT_EQ(reply.cc, s.cc);
        if (s.msg == MSG_SET || s.item == kAny) continue;
        ASSERT_TRUE(reply.container);
        const Container& c = *reply.container;
        const bool list = c.conType == TWON_ENUMERATION;
        EXPECT_EQ(list ? c.items.at(c.currentIndex) : c.conType == TWON_RANGE ? c.currentValue : c.items.at(0), s.item);
        if (list) { EXPECT_EQ(c.items.at(c.defaultIndex), AnswerCapability(MSG_GETDEFAULT, s.cap, state, nullptr).container->items.at(0)); }
    }
    EXPECT_EQ(AnswerCapability(MSG_GET, ICAP_XRESOLUTION, state, nullptr).container->items.size(), 6u) << "colour: 75 to 300";
    EXPECT_TRUE(Doing(state.current).blank && Doing(state.current).border && !Doing(state.current).deskew);
    CapabilityState plain = StateFrom({});
    EXPECT_EQ(AnswerCapability(MSG_GET, ICAP_AUTOMATICDESKEW, plain, nullptr).cc, TWCC_CAPUNSUPPORTED) << "not asked to offer it";
    CapabilityState held = StateFrom({});
    held.offered = {.blank = true, .deskew = true, .border = false, .fixed = true};
    const Container on{TWON_ONEVALUE, TWTY_BOOL, {1}};
    EXPECT_EQ(AnswerCapability(MSG_SET, ICAP_AUTOMATICDESKEW, held, &on).cc, TWCC_CAPBADOPERATION) << "offered, held off";
    EXPECT_EQ(AnswerCapability(MSG_GET, CAP_SUPPORTEDCAPS, state, nullptr).container->items.size(),
              AnswerCapability(MSG_GET, CAP_SUPPORTEDCAPS, plain, nullptr).container->items.size() + 4);
    EXPECT_EQ(AnswerCapability(MSG_SET, ICAP_PIXELTYPE, state, nullptr).cc, TWCC_BADVALUE) << "no container";
    const Container enumeration{TWON_ENUMERATION, TWTY_UINT16, {TWPT_BW}};
    EXPECT_EQ(AnswerCapability(MSG_SET, ICAP_PIXELTYPE, state, &enumeration).cc, TWCC_BADVALUE);
}

TEST(Capabilities, PaperSizesLayoutsAndResetMoveTheFrame) {
    CapabilityState state = StateFrom({ColourMode::Colour, 400, 300});
    const auto set = [&](TW_UINT16 cap, TW_UINT32 value) {
        const Container request{TWON_ONEVALUE, cap == ICAP_SUPPORTEDSIZES ? TWTY_UINT16 : TWTY_FIX32, {value}};
        return AnswerCapability(MSG_SET, cap, state, &request).rc;
    };
    const auto size = [&] { return ImageSize(state.current).width * 10000 + ImageSize(state.current).height; };
    EXPECT_EQ(size(), 400'0300);
    ASSERT_EQ(set(ICAP_SUPPORTEDSIZES, TWSS_A4), TWRC_SUCCESS);
    ASSERT_EQ(set(ICAP_XRESOLUTION, ToFix32(300)), TWRC_SUCCESS);
    ASSERT_EQ(set(ICAP_YRESOLUTION, ToFix32(300)), TWRC_SUCCESS);
    EXPECT_EQ(size(), 2480'3508);
    const Reply reset = AnswerCapability(MSG_RESET, ICAP_SUPPORTEDSIZES, state, nullptr);
    ASSERT_EQ(reset.rc, TWRC_SUCCESS);
    EXPECT_EQ(reset.container->conType, TWON_ENUMERATION) << "answered like MSG_GET";
    EXPECT_EQ(state.current.frame.right, 4.0);
    EXPECT_EQ(SetLayout({1, 1, 2, 3}, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(ImageSize(state.current).width, 300);
    EXPECT_EQ(SetLayout({0, 0, 20, 3}, state).rc, TWRC_CHECKSTATUS) << "cut to the glass";
    EXPECT_EQ(state.current.frame.right, 8.5);
    EXPECT_EQ(SetLayout({2, 0, 1, 3}, state).cc, TWCC_BADVALUE);
    EXPECT_EQ(SetLayout({9, 0, 10, 3}, state).cc, TWCC_BADVALUE) << "wholly outside";
    ResetAll(state);
    EXPECT_EQ(size(), 400'0300);
}

// ICAP_FRAMES is the image layout's frame: each one moves the other, and with it the page.
TEST(Capabilities, FramesAreTheLayoutBothWays) {
    CapabilityState state = StateFrom({ColourMode::Colour, 400, 300});
    const auto F = [](std::vector<double> sides) {
        std::vector<TW_UINT32> raw;
        for (double side : sides) raw.push_back(ToFix32(side));
        return raw;
    };
    const auto frames = [&](TW_UINT16 msg, const std::vector<double>& sides = {}) {
        const Container request{TWON_ONEVALUE, TWTY_FRAME, F(sides)};
        return AnswerCapability(msg, ICAP_FRAMES, state, &request);
    };
    const auto setSize = [&](TW_UINT16 paper) {
        const Container request{TWON_ONEVALUE, TWTY_UINT16, {paper}};
        return AnswerCapability(MSG_SET, ICAP_SUPPORTEDSIZES, state, &request).rc;
    };
    const std::vector<double> a4{0, 0, 8.2677, 11.6929};
    ASSERT_EQ(setSize(TWSS_A4), TWRC_SUCCESS);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(FromFix32(frames(MSG_GETCURRENT).container->items.at(i)), a4[i], 1e-3) << i;
    ASSERT_EQ(SetLayout({1, 1, 2, 3}, state).rc, TWRC_SUCCESS);
    EXPECT_EQ(frames(MSG_GET).container->items, F({1, 1, 2, 3}));
    EXPECT_EQ(frames(MSG_SET, {0.5, 0, 2.5, 1.5}).rc, TWRC_SUCCESS);
    EXPECT_EQ(ImageSize(state.current).width * 10000 + ImageSize(state.current).height, 200'0150);
    EXPECT_EQ(state.current.paper, TWSS_NONE);
    EXPECT_EQ(frames(MSG_SET, {0, 0, 20, 3}).rc, TWRC_CHECKSTATUS) << "cut to the glass";
    EXPECT_EQ(state.current.frame.right, 8.5);
    EXPECT_EQ(frames(MSG_SET, {2, 0, 1, 3}).cc, TWCC_BADVALUE);
    EXPECT_EQ(frames(MSG_GETDEFAULT).container->items, F({0, 0, 4, 3}));
    ASSERT_EQ(setSize(TWSS_A5), TWRC_SUCCESS);
    EXPECT_EQ(frames(MSG_RESET).container->items, F({0, 0, 4, 3}));
    EXPECT_EQ(state.current.paper, TWSS_NONE) << "no paper size after a reset";
}

// Real drivers' habits change how values are answered, never what the scanner takes: flags as
// enumerations of numbers, the depth as 0, frames and sizes in the units chosen.
TEST(Capabilities, HabitsAnswerAsRealDriversDo) {
    const auto F = [](double v) { return ToFix32(v); };
    struct Step {
        TW_UINT16 msg, cap;
        TW_UINT32 item;  // set, or the current one answered (a frame's right side)
        TW_UINT16 conType = TWON_ONEVALUE, type = TWTY_UINT16;
        TW_UINT16 rc = TWRC_SUCCESS;
    };
    const Step steps[] = {
        {MSG_GETCURRENT, CAP_FEEDERENABLED, 0, TWON_ENUMERATION},
        {MSG_SET, CAP_FEEDERENABLED, 1, TWON_ONEVALUE, TWTY_BOOL},  // a TW_BOOL is still taken
        {MSG_GETCURRENT, CAP_FEEDERENABLED, 1, TWON_ENUMERATION},
        {MSG_GETDEFAULT, CAP_FEEDERENABLED, 0, TWON_ENUMERATION},
        {MSG_SET, CAP_DUPLEXENABLED, 1},  // and so is the number the source answers with
        {MSG_GET, CAP_DUPLEXENABLED, 1, TWON_ENUMERATION},
        {MSG_GET, CAP_FEEDERLOADED, 1, TWON_ENUMERATION},
        {MSG_GETCURRENT, ICAP_BITDEPTH, 0},
        {MSG_SET, ICAP_BITDEPTH, 24},  // the real depth is taken though 0 is answered
        {MSG_GET, ICAP_UNITS, TWUN_PIXELS, TWON_ENUMERATION},
        {MSG_GET, ICAP_PHYSICALWIDTH, F(850), TWON_ONEVALUE, TWTY_FIX32},  // 8.5 in at 100 dpi
        {MSG_GET, ICAP_FRAMES, F(400), TWON_ONEVALUE, TWTY_FRAME},
        {MSG_SET, ICAP_FRAMES, F(200), TWON_ONEVALUE, TWTY_FRAME},  // 0, 0, 200, 200 pixels: 2 x 2 in
        {MSG_SET, ICAP_UNITS, TWUN_CENTIMETERS},
        {MSG_GET, ICAP_FRAMES, F(5.08), TWON_ONEVALUE, TWTY_FRAME},
        {MSG_SET, ICAP_UNITS, 3 /* points: not offered */, TWON_ONEVALUE, TWTY_UINT16, TWRC_FAILURE},
    };
    CapabilityState state = StateFrom({ColourMode::Colour, 400, 300});
    state.booleansAsEnums = state.bitDepthZero = state.otherUnits = true;
    state.current.units = state.defaults.units = TWUN_PIXELS;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "message " << s.msg << " capability 0x" << std::hex << s.cap << " item " << s.item);
        const Container request = s.type == TWTY_FRAME ? Container{TWON_ONEVALUE, TWTY_FRAME, {0, 0, s.item, s.item}}
                                                       : Container{TWON_ONEVALUE, s.type, {s.item}};
        const Reply reply = AnswerCapability(s.msg, s.cap, state, s.msg == MSG_SET ? &request : nullptr);
        EXPECT_EQ(reply.rc, s.rc);
        if (s.msg == MSG_SET) continue;
        ASSERT_TRUE(reply.container);
        const Container& c = *reply.container;
        EXPECT_EQ(c.conType, s.conType);
        EXPECT_EQ(c.itemType, s.type);
        const std::size_t at = c.conType == TWON_ENUMERATION ? c.currentIndex : s.type == TWTY_FRAME ? 2 : 0;
        if (s.type == TWTY_UINT16) EXPECT_EQ(c.items.at(at), s.item);
        else EXPECT_NEAR(FromFix32(c.items.at(at)), FromFix32(s.item), 1e-3);
    }
    EXPECT_EQ(ImageSize(state.current).width, 200);
}

}  // namespace
}  // namespace vantrel::scanner
