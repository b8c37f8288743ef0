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

TEST(PaperPath, BatchesGiveTheirSheetsSidesInOrder) {
    struct Case {
        int sheets;
        bool feeder, duplex;
        int count;  // CAP_XFERCOUNT, -1: all
        std::vector<Page> pages;
        bool loadedAfter;
    };
    const Case cases[] = {
        {0, false, true, -1, {{1, Side::Front}}, false},  // the flatbed uses no sheet
        {3, true, true, -1, {{1, Side::Front}, {2, Side::Back}, {3, Side::Front}, {4, Side::Back}, {5, Side::Front}, {6, Side::Back}}, false},
        {5, true, false, 2, {{1, Side::Front}, {2, Side::Front}}, true},
    };
    for (const Case& c : cases) {
        PaperPath path(c.sheets);
        path.Begin(c.feeder, c.duplex, c.count);
        EXPECT_EQ(Drain(path), c.pages);
        EXPECT_EQ(path.loaded(), c.loadedAfter);
        path.Begin(c.feeder, c.duplex, c.count);
        if (!c.feeder) { EXPECT_EQ(Drain(path), c.pages) << "the flatbed gives its page every time"; }
    }
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
    EXPECT_EQ(faults.cancelAt, 2);
    EXPECT_TRUE(faults.empty && faults.earlyReady);
    for (const char* bad : {"", "jam", "jam:0", "jam:-1", "jam:3x", "paper:3", "EMPTY", ",,"}) {
        EXPECT_EQ(ParseFaults(bad).jamAt, 0) << bad;
        EXPECT_FALSE(ParseFaults(bad).empty) << bad;
    }
    EXPECT_EQ(FeedFailure(faults, 3), twain::TWCC_PAPERJAM);
    EXPECT_EQ(FeedFailure(faults, 5), twain::TWCC_PAPERDOUBLEFEED);
    EXPECT_EQ(FeedFailure(faults, 4), twain::TWCC_SUCCESS);
    EXPECT_EQ(ParseSheets("12"), 12);
    for (const char* bad : {"", "-1", "five", "10001", "3 "}) EXPECT_EQ(ParseSheets(bad), kDefaultSheets) << bad;
}

}  // namespace
}  // namespace vantrel::scanner
