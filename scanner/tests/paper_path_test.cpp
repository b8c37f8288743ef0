// The paper path and the environment's sheets and faults.
#include "scanner/fault_modes.h"
#include "scanner/paper_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel::scanner {
namespace {

struct Page {
    int number;
    Side side;
    bool operator==(const Page&) const = default;
};

std::vector<Page> Drain(PaperPath& path) {
    std::vector<Page> pages;
    while (path.pending() > 0) {
        pages.push_back({path.current().number, path.current().side});
        path.Advance();
    }
    return pages;
}

TEST(PaperPath, FlatbedGivesPageOneEveryTimeAndUsesNoSheet) {
    PaperPath path(0);
    for (int i = 0; i < 2; ++i) {
        path.Begin(false, true, -1);
        EXPECT_EQ(Drain(path), (std::vector<Page>{{1, Side::Front}}));
    }
}

TEST(PaperPath, DuplexSheetKGivesPages2KMinus1And2K) {
    PaperPath path(3);
    path.Begin(true, true, -1);
    EXPECT_EQ(path.pending(), 6);
    EXPECT_EQ(Drain(path), (std::vector<Page>{{1, Side::Front}, {2, Side::Back}, {3, Side::Front}, {4, Side::Back},
                                              {5, Side::Front}, {6, Side::Back}}));
    EXPECT_FALSE(path.loaded());
}

TEST(PaperPath, TransferCountLimitsTheBatchAndTheRestStayInTheFeeder) {
    PaperPath path(5);
    path.Begin(true, false, 2);
    EXPECT_EQ(Drain(path), (std::vector<Page>{{1, Side::Front}, {2, Side::Front}}));
    EXPECT_TRUE(path.loaded());
    path.Begin(true, false, -1);
    EXPECT_EQ(path.pending(), 3);
    EXPECT_EQ(path.current().number, 3);
}

TEST(PaperPath, StoppingTakesOutTheSheetThatJammed) {
    PaperPath path(4);
    path.Begin(true, true, -1);
    path.Advance();  // page 1 done, page 2 is the back of sheet 1
    path.Stop(false);
    EXPECT_EQ(path.pending(), 0);
    path.Begin(true, false, -1);
    EXPECT_EQ(path.current().number, 2) << "sheet 1, half scanned, has left";
    path.Stop(true);
    path.Begin(true, false, -1);
    EXPECT_EQ(path.current().number, 3) << "the jammed sheet 2 was taken out";
    EXPECT_EQ(path.pending(), 2);
}

TEST(FaultModes, ParsesEachItemAndIgnoresWhatItDoesNotKnow) {
    const Faults faults = ParseFaults("jam:3,doublefeed:5,cancel:2,empty,earlyready");
    EXPECT_EQ(faults.jamAt, 3);
    EXPECT_EQ(faults.doubleFeedAt, 5);
    EXPECT_EQ(faults.cancelAt, 2);
    EXPECT_TRUE(faults.empty);
    EXPECT_TRUE(faults.earlyReady);
    for (const char* bad : {"", "jam", "jam:", "jam:0", "jam:-1", "jam:x", "jam:3x", "paper:3", "EMPTY", ",,"}) {
        const Faults none = ParseFaults(bad);
        EXPECT_EQ(none.jamAt, 0) << bad;
        EXPECT_FALSE(none.empty) << bad;
    }
    EXPECT_EQ(FeedFailure(faults, 3), twain::TWCC_PAPERJAM);
    EXPECT_EQ(FeedFailure(faults, 5), twain::TWCC_PAPERDOUBLEFEED);
    EXPECT_EQ(FeedFailure(faults, 4), twain::TWCC_SUCCESS);
}

TEST(FaultModes, SheetCountsOutsideTheRangeGiveTheDefault) {
    EXPECT_EQ(ParseSheets("0"), 0);
    EXPECT_EQ(ParseSheets("12"), 12);
    for (const char* bad : {"", "-1", "five", "10001", "3 "}) EXPECT_EQ(ParseSheets(bad), kDefaultSheets) << bad;
}

}  // namespace
}  // namespace vantrel::scanner
