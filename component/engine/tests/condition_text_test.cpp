// Condition codes in words, and the source's UTF-8 texts widened without trusting them.
#include "condition_text.h"

#include <gtest/gtest.h>

namespace vantrel::engine {
namespace {

TEST(ConditionText, NamesTheCodeAndSaysWhatItMeans) {
    const std::wstring jam = DescribeCondition(20);
    EXPECT_NE(jam.find(L"TWCC_PAPERJAM"), std::wstring::npos) << jam.size();
    EXPECT_NE(jam.find(L"jam"), std::wstring::npos);
    EXPECT_NE(DescribeCondition(29).find(L"TWCC_NOMEDIA"), std::wstring::npos);
    EXPECT_NE(DescribeCondition(9999).find(L"9999"), std::wstring::npos);
}

TEST(ConditionText, WidensUtf8AndReplacesWhatIsBroken) {
    EXPECT_EQ(Widen("Paper jam"), L"Paper jam");
    EXPECT_EQ(Widen("\xC3\xA9t\xC3\xA9"), L"\u00E9t\u00E9");
    EXPECT_EQ(Widen("\xE4\xB8\xAD"), L"\u4E2D");
    EXPECT_EQ(Widen("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(Widen("ab\xE4\xB8"), L"ab\uFFFD");
    EXPECT_EQ(Widen("\xC3z"), L"\uFFFDz");
}

}  // namespace
}  // namespace vantrel::engine
