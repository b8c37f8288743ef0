// Condition codes in words.
#include "engine/condition_text.h"

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

}  // namespace
}  // namespace vantrel::engine
