// The T.6 modes read back: each row's changes found from the row above's, then painted as runs.
#include "imaging/g4/group4_decoder.h"

#include <algorithm>
#include <new>
#include <vector>

#include "imaging/g4/run_length_codes.h"

namespace vantrel::imaging {
namespace {

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    // The next bit, or -1 past the end.
    int Next() {
        if (at_ >= bytes_.size() * 8) return -1;
        const int bit = (bytes_[at_ / 8] >> (7 - at_ % 8)) & 1;
        ++at_;
        return bit;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

enum class Mode { Pass, Horizontal, Vertical, Invalid };

// A mode code, and for a vertical one a1 - b1; the longest mode code has 7 bits.
Mode ReadMode(BitReader& in, int& delta) {
    FaxCode code{0, 0};
    while (code.length < 7) {
        const int bit = in.Next();
        if (bit < 0) return Mode::Invalid;
        code = FaxCode{static_cast<std::uint16_t>(code.bits << 1 | bit), static_cast<std::uint8_t>(code.length + 1)};
        if (code.bits == kPassCode.bits && code.length == kPassCode.length) return Mode::Pass;
        if (code.bits == kHorizontalCode.bits && code.length == kHorizontalCode.length) return Mode::Horizontal;
        for (delta = -3; delta <= 3; ++delta) {
            const FaxCode vertical = VerticalCode(delta);
            if (vertical.bits == code.bits && vertical.length == code.length) return Mode::Vertical;
        }
    }
    return Mode::Invalid;
}

// Make-up codes, then the terminating code that ends every run; -1 for bits that are no code.
std::int64_t ReadRun(BitReader& in, bool black) {
    std::int64_t total = 0;
    for (;;) {
        FaxCode code{0, 0};
        int run = -1;
        while (run < 0 && code.length < 13) {
            const int bit = in.Next();
            if (bit < 0) return -1;
            code = FaxCode{static_cast<std::uint16_t>(code.bits << 1 | bit), static_cast<std::uint8_t>(code.length + 1)};
            run = RunOfCode(black, code);
        }
        if (run < 0) return -1;
        total += run;
        if (run < 64) return total;
    }
}

// A row from its changes (the first one turns the row black), 1 = black.
void Paint(std::span<std::uint8_t> row, const std::vector<std::uint32_t>& changes, std::uint32_t width) {
    for (std::size_t k = 0; k < changes.size(); k += 2) {
        const std::uint32_t end = k + 1 < changes.size() ? changes[k + 1] : width;
        for (std::uint32_t x = changes[k]; x < end; ++x) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | 0x80u >> (x % 8));
    }
}

// One row's changes from the reference row's (followed by sentinels at `width`); false on anything invalid.
bool DecodeRow(BitReader& in, const std::vector<std::uint32_t>& reference, std::uint32_t width, std::vector<std::uint32_t>& coding) {
    coding.clear();
    std::int64_t a0 = -1;
    bool black = false;
    std::size_t nextReference = 0;
    // A change at the row's end is no change; two at one place cancel (a run of 0).
    const auto change = [&](std::int64_t at) {
        if (at < std::max<std::int64_t>(a0, 0) || at > width) return false;
        if (at == width) return true;
        if (!coding.empty() && coding.back() == at) coding.pop_back();
        else coding.push_back(static_cast<std::uint32_t>(at));
        return true;
    };
    while (a0 < width) {
        while (reference[nextReference] <= a0 && reference[nextReference] < width) ++nextReference;
        const bool turnsBlack = nextReference % 2 == 0;
        const std::size_t b1Index = std::min(nextReference + (turnsBlack == black ? 1 : 0), reference.size() - 2);
        const std::int64_t b1 = reference[b1Index];
        const std::int64_t b2 = reference[b1Index + 1];
        int delta = 0;
        switch (ReadMode(in, delta)) {
            case Mode::Pass:
                if (b2 >= width) return false;  // a pass always ends before the row does
                a0 = b2;
                break;
            case Mode::Vertical:
                if (b1 + delta < 0 || (b1 + delta <= a0 && a0 >= 0) || !change(b1 + delta)) return false;
                a0 = b1 + delta;
                black = !black;
                break;
            case Mode::Horizontal: {
                const std::int64_t first = ReadRun(in, black);
                const std::int64_t second = first < 0 ? -1 : ReadRun(in, !black);
                if (second < 0) return false;
                const std::int64_t a1 = std::max<std::int64_t>(a0, 0) + first;
                if (!change(a1) || !change(a1 + second)) return false;
                a0 = a1 + second;
                break;
            }
            case Mode::Invalid: return false;
        }
    }
    return true;
}

// After the last row: nothing but zero fill bits, or the end-of-facsimile-block (two EOLs) and then zero fill bits.
// Anything else means the data held more rows than the page has.
bool EndsCleanly(BitReader& in) {
    int zeros = 0;
    int bit = 0;
    for (int eols = 0;; ++eols) {
        for (zeros = 0; (bit = in.Next()) == 0;) ++zeros;
        if (bit < 0) return eols == 0 || eols == 2;
        if (zeros < 11 || eols == 2) return false;  // an EOL is 11 zeros (or more, with fill) and a 1
    }
}

}  // namespace

std::optional<PageBuffer> DecodeGroup4(std::span<const std::uint8_t> coded, std::uint32_t width, std::uint32_t height) {
    std::optional<PageBuffer> page = PageBuffer::Make(width, height, PixelFormat::BlackWhite1);
    if (!page) return std::nullopt;
    try {
        BitReader in(coded);
        std::vector<std::uint32_t> reference;
        std::vector<std::uint32_t> coding;
        for (std::uint32_t y = 0; y < height; ++y) {
            reference.insert(reference.end(), 2, width);  // sentinels: b1 and b2 past the last change are the row's end
            if (!DecodeRow(in, reference, width, coding)) return std::nullopt;
            Paint(page->Row(y), coding, width);
            reference.swap(coding);
        }
        if (!EndsCleanly(in)) return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return page;
}

}  // namespace vantrel::imaging
