// The paper path's bookkeeping.
#include "scanner/paper_path.h"

#include <algorithm>

namespace vantrel::scanner {

void PaperPath::Begin(bool feeder, bool duplex, int xferCount) {
    feeder_ = feeder;
    duplex_ = feeder && duplex;
    back_ = false;
    const int available = feeder ? sheetsLeft_ * (duplex_ ? 2 : 1) : 1;
    pending_ = xferCount > 0 ? std::min(available, xferCount) : available;
}

PageSlot PaperPath::current() const noexcept {
    if (!feeder_) return {1, Side::Front};
    const int sheet = sheetsFed_ + 1;
    if (!duplex_) return {sheet, Side::Front};
    return {back_ ? 2 * sheet : 2 * sheet - 1, back_ ? Side::Back : Side::Front};
}

void PaperPath::Advance() {
    if (pending_ == 0) return;
    --pending_;
    if (!feeder_) return;
    if (duplex_ && !back_) {
        back_ = true;
        return;
    }
    back_ = false;
    ++sheetsFed_;
    --sheetsLeft_;
}

void PaperPath::Stop(bool sheetLost) {
    if (feeder_ && pending_ > 0 && (back_ || sheetLost)) {
        ++sheetsFed_;
        --sheetsLeft_;
    }
    back_ = false;
    pending_ = 0;
}

}  // namespace vantrel::scanner
