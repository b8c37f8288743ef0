// The T.6 mode decisions (pass, vertical, horizontal) over the changing elements of each row and the row above.
#include "imaging/g4/group4_encoder.h"

#include <algorithm>
#include <new>

#include "imaging/g4/changing_elements.h"
#include "imaging/g4/run_length_codes.h"

namespace vantrel::imaging {
namespace {

// Codes one row given the changes of the row above (`reference`) and of this row (`coding`), both ending in
// sentinels at `width`. Change k turns the row black when k is even, since every row starts white.
void EncodeRow(const std::vector<std::uint32_t>& reference, const std::vector<std::uint32_t>& coding, std::uint32_t width,
               FaxBitWriter& out) {
    std::int64_t a0 = -1;  // the imaginary change just before the row
    bool black = false;    // the colour of the run starting at a0
    std::size_t nextCoding = 0;
    std::size_t nextReference = 0;
    while (a0 < width) {
        while (coding[nextCoding] <= a0) ++nextCoding;
        while (reference[nextReference] <= a0) ++nextReference;
        // b1 is the first change above, right of a0, to the colour opposite a0's: every other change qualifies.
        const bool turnsBlack = nextReference % 2 == 0;
        const std::size_t b1Index = nextReference + (turnsBlack == black ? 1 : 0);
        const std::int64_t a1 = coding[nextCoding];
        const std::int64_t b1 = reference[b1Index];
        const std::int64_t b2 = reference[b1Index + 1];
        if (b2 < a1) {
            out.Put(kPassCode);
            a0 = b2;
            continue;
        }
        const std::int64_t delta = a1 - b1;
        if (delta >= -3 && delta <= 3) {
            out.Put(VerticalCode(static_cast<int>(delta)));
            a0 = a1;
            black = !black;
            continue;
        }
        // The first run of a row starts at pixel 0, not at the imaginary change before it.
        const std::int64_t a2 = coding[nextCoding + 1];
        out.Put(kHorizontalCode);
        PutRun(out, black, static_cast<std::uint32_t>(a1 - std::max<std::int64_t>(a0, 0)));
        PutRun(out, !black, static_cast<std::uint32_t>(a2 - a1));
        a0 = a2;
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeGroup4(const PageImage& page) {
    if (page.format != PixelFormat::BlackWhite1 || !IsWellFormed(page)) return {};
    try {
        FaxBitWriter out;
        // Text pages code to a few percent of their raw size; this saves the early regrowths.
        out.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(MinimumStride(page.format, page.width) * page.height / 16 + 64,
                                                                     std::uint64_t{1} << 24)));
        std::vector<std::uint32_t> reference(kChangeSentinels, page.width);
        std::vector<std::uint32_t> coding;
        for (std::uint32_t y = 0; y < page.height; ++y) {
            FindChanges(page.Row(y), page.width, coding);
            EncodeRow(reference, coding, page.width, out);
            reference.swap(coding);
        }
        out.Put(kEndOfLineCode);
        out.Put(kEndOfLineCode);
        return out.TakeBytes();
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace vantrel::imaging
