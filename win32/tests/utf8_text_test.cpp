// The source's UTF-8 texts widened without trusting them.
#include "win32/utf8_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(Utf8Text, WidensAndReplacesWhatIsBroken) {
    EXPECT_EQ(Widen("Paper jam"), L"Paper jam");
    EXPECT_EQ(Widen("\xC3\xA9t\xC3\xA9"), L"\u00E9t\u00E9");
    EXPECT_EQ(Widen("\xE4\xB8\xAD"), L"\u4E2D");
    EXPECT_EQ(Widen("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(Widen("ab\xE4\xB8"), L"ab\uFFFD");
    EXPECT_EQ(Widen("\xC3z"), L"\uFFFDz");
}

}  // namespace
}  // namespace vantrel
