// JSON text: structure, escaping and UTF-8 that any parser reads back.
#include "cli/vantrel-scan/json_writer.h"

#include "cli/vantrel-scan/item_json.h"
#include "twain/twain_records.h"

#include <gtest/gtest.h>

namespace {

// Numbered as TWAIN numbers them; the records header names only what the engine uses.
constexpr std::uint16_t kCapAuthor = 0x1000;
constexpr std::uint16_t kIcapFrames = 0x1114;

using namespace vantrel::scan;

TEST(JsonWriter, NestedValuesWithCommasInTheirPlaces) {
    JsonWriter json;
    json.BeginObject().Key("a").Integer(-3).Key("b").BeginArray().Number(300).Number(0.1).Bool(true).Null().BeginObject().EndObject().EndArray();
    json.Key("c").String(std::wstring_view(L"x")).EndObject();
    EXPECT_EQ(json.Text(), "{\"a\":-3,\"b\":[300,0.1,true,null,{}],\"c\":\"x\"}\n");
}

TEST(JsonWriter, StringsAreEscapedAndUtf8) {
    JsonWriter json;
    json.BeginArray().String(std::wstring_view(L"C:\\Scans\\\"a\"\n\t\x01")).String(std::wstring_view(L"\u00fcber \u4e2d \U0001F600")).EndArray();
    EXPECT_EQ(json.Text(), "[\"C:\\\\Scans\\\\\\\"a\\\"\\n\\t\\u0001\",\"\xC3\xBC" "ber \xE4\xB8\xAD \xF0\x9F\x98\x80\"]\n");
}

TEST(JsonWriter, UnpairedSurrogatesAndNonFiniteNumbersStayValid) {
    std::wstring lone;
    lone.push_back(static_cast<wchar_t>(0xD800));
    lone.push_back(L'a');
    EXPECT_EQ(vantrel::ToUtf8(lone), "\xEF\xBF\xBD" "a");
    JsonWriter json;
    json.BeginArray().Number(1.0 / 0.0 * 0.0).Number(1e300 * 1e300).EndArray();
    EXPECT_EQ(json.Text(), "[null,null]\n");
}

TEST(ItemJson, ConstantsByNameAndFramesAsNumbers) {
    JsonWriter json;
    json.BeginArray();
    WriteItem(json, vantrel::twain::ICAP_PIXELTYPE, std::int64_t{vantrel::twain::TWPT_GRAY});
    WriteItem(json, vantrel::twain::CAP_XFERCOUNT, std::int64_t{-1});
    WriteItem(json, vantrel::twain::CAP_FEEDERENABLED, true);
    WriteItem(json, kIcapFrames, vantrel::capability::Frame{0, 0, 8.5, 11});
    WriteItem(json, kCapAuthor, std::string("a\xE9"));
    json.EndArray();
    EXPECT_EQ(json.Text(), "[\"TWPT_GRAY\",-1,true,[0,0,8.5,11],\"a\xEF\xBF\xBD\"]\n");
}

}  // namespace
