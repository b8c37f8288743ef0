// Document pages planned from the environment's texts: which are blank, their angles, what else is on them.
#include "scanner/document_pages.h"

#include <gtest/gtest.h>

namespace vantrel::scanner {
namespace {

using imaging::document::Content;

TEST(DocumentPages, PlannedFromTheVariables) {
    const struct {
        DocumentVariables variables;
        PageSlot slot;
        bool document;
        Content content;
        double skew;
        bool border, shade;
        int specks;
        OwnCleanup doing = {};  // the scanner's own clean-up, set by the application
    } rows[] = {
        {{.content = "chart"}, {1, Side::Front}, false, Content::Text, 0, false, false, 0},
        {{.content = "document", .blank = "backs"}, {3, Side::Front}, true, Content::Text, 0, false, false, 0},
        {{.content = "document", .blank = "backs"}, {4, Side::Back}, true, Content::Blank, 0, false, false, 0},
        {{.content = "document", .blank = "2,5"}, {5, Side::Front}, true, Content::Blank, 0, false, false, 0},
        {{.content = "document", .blank = "2,x"}, {2, Side::Back}, true, Content::Text, 0, false, false, 0},
        {{.content = "document", .skew = "-2.5"}, {1, Side::Front}, true, Content::Text, -2.5, false, false, 0},
        {{.content = "document", .skew = "46"}, {1, Side::Front}, true, Content::Text, 0, false, false, 0},
        {{.content = "document", .border = "1", .specks = "12", .shade = "1"}, {1, Side::Front}, true, Content::Text, 0, true, true, 12},
        {{.content = "document", .specks = "-1"}, {1, Side::Front}, true, Content::Text, 0, false, false, 0},
        {{.content = "document", .skew = "3", .border = "1"}, {1, Side::Front}, true, Content::Text, 0, false, false, 0,
         {.deskew = true, .border = true}},
    };
    for (const auto& row : rows) {
        const auto page = DocumentPage(ParseDocumentSettings(row.variables), row.slot, 850, 1100, 100, row.doing);
        ASSERT_EQ(page.has_value(), row.document) << row.slot.number;
        if (!page) continue;
        EXPECT_EQ(page->content, row.content) << row.slot.number;
        EXPECT_EQ(page->band, row.content == Content::Blank ? -1 : row.slot.number);
        EXPECT_EQ(page->skewDegrees, row.skew) << row.variables.skew;
        EXPECT_EQ(std::tuple(page->border, page->shade, page->specks), std::tuple(row.border, row.shade, row.specks));
    }
}

TEST(DocumentPages, TheScannersOwnCleanupIsOfferedAsAskedAndDiscardsOnlyBlankPages) {
    const DocumentSettings settings = ParseDocumentSettings({.content = "document", .blank = "backs", .cleanup = "blank,border"});
    EXPECT_TRUE(settings.offers.blank && settings.offers.border && !settings.offers.deskew);
    EXPECT_FALSE(ParseDocumentSettings({.cleanup = "blank,dust"}).offers.blank) << "a word it does not know: nothing";
    EXPECT_TRUE(Discarded(settings, {2, Side::Back}, {.blank = true}));
    EXPECT_FALSE(Discarded(settings, {3, Side::Front}, {.blank = true}));
    EXPECT_FALSE(Discarded(settings, {2, Side::Back}, {.deskew = true}));
}

TEST(DocumentPages, RandomSkewsAreEachPagesOwnWithinTheBoundAndRepeat) {
    const DocumentSettings settings = ParseDocumentSettings({.content = "document", .skew = "random:7:10"});
    double previous = 0, largest = 0, smallest = 0;
    for (int number = 1; number <= 50; ++number) {
        const double skew = DocumentPage(settings, {number, Side::Front}, 100, 100, 100)->skewDegrees;
        EXPECT_NE(skew, previous);
        EXPECT_EQ(skew, DocumentPage(settings, {number, Side::Front}, 100, 100, 100)->skewDegrees);
        largest = std::max(largest, skew);
        smallest = std::min(smallest, skew);
        previous = skew;
    }
    EXPECT_LE(largest, 10);
    EXPECT_GE(smallest, -10);
    EXPECT_GT(largest, 8) << "spread over the bound";
    EXPECT_LT(smallest, -8) << "both ways";
}

}  // namespace
}  // namespace vantrel::scanner
