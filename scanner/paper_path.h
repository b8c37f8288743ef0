// Which page comes next: the flatbed's one page, or the feeder's sheets, one or both sides (pure logic).
#pragma once

#include "scanner/page_picture.h"

namespace vantrel::scanner {

struct PageSlot {
    int number;  // sheet k gives page k, or pages 2k - 1 (front) and 2k (back) in duplex
    Side side;
};

class PaperPath {
public:
    explicit PaperPath(int sheets = 0) : sheetsLeft_(sheets) {}

    bool loaded() const noexcept { return sheetsLeft_ > 0; }

    // Starts a batch: from the flatbed (one page) or the feeder, at most `xferCount` pages
    // (-1: as many as there are).
    void Begin(bool feeder, bool duplex, int xferCount);

    // Pages still to come in this batch, the current one included.
    int pending() const noexcept { return pending_; }
    PageSlot current() const noexcept;
    bool feeder() const noexcept { return feeder_; }

    // The current page is done; the next one (if any) becomes current. A sheet leaves the
    // feeder once its last side is done.
    void Advance();

    // Nothing more comes in this batch. After a jam or a cancel (`sheetLost`) the sheet in the
    // path is taken out; after MSG_RESET only a sheet already half scanned is.
    void Stop(bool sheetLost);

private:
    int sheetsLeft_;
    int sheetsFed_ = 0;  // sheets that have left the feeder since the session began
    bool feeder_ = false;
    bool duplex_ = false;
    bool back_ = false;  // the current page is the back of its sheet
    int pending_ = 0;
};

}  // namespace vantrel::scanner
