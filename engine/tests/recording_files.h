// Image files as a scan job sees them, for tests: each page's number (from its band) and format
// kept, a file per page when asked, a full disk after `failAt` pages, Finish once.
#pragma once

#include "imaging/page_consumer.h"
#include "tests/fixtures/page_number_band.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace enginetest {

struct SeenPage {
    std::optional<std::uint16_t> number;
    std::uint32_t width;
    vantrel::imaging::PixelFormat format;
    double xDpi;
};

class RecordingFiles final : public vantrel::imaging::PageConsumer {
public:
    explicit RecordingFiles(bool filePerPage = false, std::size_t failAt = SIZE_MAX) : filePerPage_(filePerPage), failAt_(failAt) {}

    bool Take(const vantrel::imaging::PageImage& page) override {
        if (finished) ADD_FAILURE() << "a page after Finish";
        if (pages.size() >= failAt_) {
            error_ = L"Cannot write \"doc.pdf\": the disk is full.";
            return false;
        }
        pages.push_back({fixtures::ReadPageNumber(page), page.width, page.format, page.xDpi});
        if (filePerPage_) files_.push_back({L"page" + std::to_wstring(pages.size()) + L".png", 1, 1});
        return true;
    }
    bool Finish() override {
        if (finished) ADD_FAILURE() << "Finish twice";
        finished = true;
        return true;
    }
    const std::wstring& Error() const override { return error_; }
    const std::vector<vantrel::imaging::StoredFile>& Files() const override { return files_; }

    std::vector<std::uint16_t> Numbers() const {
        std::vector<std::uint16_t> numbers;
        for (const SeenPage& page : pages) numbers.push_back(page.number.value_or(0));
        return numbers;
    }
    std::vector<std::uint32_t> Widths() const {
        std::vector<std::uint32_t> widths;
        for (const SeenPage& page : pages) widths.push_back(page.width);
        return widths;
    }

    std::vector<SeenPage> pages;
    bool finished = false;

private:
    bool filePerPage_;
    std::size_t failAt_;
    std::wstring error_;
    std::vector<vantrel::imaging::StoredFile> files_;
};

inline std::vector<std::uint16_t> OneTo(std::uint16_t last) {
    std::vector<std::uint16_t> numbers;
    for (std::uint16_t n = 1; n <= last; ++n) numbers.push_back(n);
    return numbers;
}

}  // namespace enginetest
