// A page sink for tests: keeps what each page was (number from its band, size, format, dpi), not its pixels.
#pragma once

#include "imaging/bmp/dib_page.h"
#include "tests/fixtures/page_number_band.h"
#include "engine/page_sink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace enginetest {

struct SeenPage {
    std::optional<std::uint16_t> number;  // read from the page's own band
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    vantrel::imaging::PixelFormat format = vantrel::imaging::PixelFormat::Rgb24;
    double xDpi = 0;
    bool native = false;
};

class RecordingSink final : public vantrel::engine::PageSink {
public:
    // After `failAt` pages, Take fails as a full disk would.
    explicit RecordingSink(std::size_t failAt = SIZE_MAX) : failAt_(failAt) {}

    bool TakeNative(vantrel::DsmBlock& dib) override {
        const auto bytes = ::GlobalSize(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dib.get())));
        const void* data = ::GlobalLock(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dib.get())));
        if (!data) return Refuse(L"the test could not lock the DIB");
        const auto page = vantrel::imaging::PageFromDib(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), bytes));
        ::GlobalUnlock(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dib.get())));
        if (!page) return Refuse(L"the DIB could not be read");
        return Record(page->View(), true);
    }
    bool TakePage(const vantrel::imaging::PageImage& page) override { return Record(page, false); }
    std::wstring Failure() const override { return failure_; }

    std::vector<SeenPage> pages;

    std::vector<std::uint16_t> Numbers() const {
        std::vector<std::uint16_t> numbers;
        for (const SeenPage& page : pages) numbers.push_back(page.number.value_or(0));
        return numbers;
    }

private:
    bool Refuse(std::wstring why) {
        failure_ = std::move(why);
        return false;
    }
    bool Record(const vantrel::imaging::PageImage& page, bool native) {
        if (pages.size() >= failAt_) return Refuse(L"Cannot write the page: the disk is full.");
        pages.push_back(SeenPage{fixtures::ReadPageNumber(page), page.width, page.height, page.format, page.xDpi, native});
        return true;
    }

    std::size_t failAt_;
    std::wstring failure_;
};

inline std::vector<std::uint16_t> OneTo(std::uint16_t last) {
    std::vector<std::uint16_t> numbers;
    for (std::uint16_t n = 1; n <= last; ++n) numbers.push_back(n);
    return numbers;
}

}  // namespace enginetest
