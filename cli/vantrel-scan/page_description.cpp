// Describing a stored page for the progress lines.
#include "cli/vantrel-scan/page_description.h"

#include "engine/paper_sizes.h"

#include <cmath>

namespace vantrel::scan {

namespace {

// Sources round the frame to whole pixels and some to their own step, so a little slack is needed.
constexpr double kToleranceInches = 0.06;

std::wstring PaperOf(const imaging::PageImage& page) {
    if (page.xDpi > 0 && page.yDpi > 0) {
        const double width = page.width / page.xDpi;
        const double height = page.height / page.yDpi;
        for (const engine::PaperSize& size : engine::PaperSizes()) {
            if (size.widthInches <= 0) continue;
            const bool portrait = std::abs(width - size.widthInches) < kToleranceInches && std::abs(height - size.heightInches) < kToleranceInches;
            const bool landscape = std::abs(width - size.heightInches) < kToleranceInches && std::abs(height - size.widthInches) < kToleranceInches;
            if (portrait || landscape) return std::wstring(size.name.begin(), size.name.end()) + (landscape ? L" landscape" : L"");
        }
    }
    return std::to_wstring(page.width) + L" x " + std::to_wstring(page.height) + L" pixels";
}

const wchar_t* ModeOf(imaging::PixelFormat format) {
    switch (format) {
        case imaging::PixelFormat::BlackWhite1: return L"black and white";
        case imaging::PixelFormat::Gray8: return L"grey";
        case imaging::PixelFormat::Rgb24: return L"colour";
    }
    return L"unknown";
}

}  // namespace

std::wstring DescribePage(const imaging::PageImage& page) {
    std::wstring text = PaperOf(page) + L", ";
    if (page.xDpi > 0) {
        text += std::to_wstring(std::lround(page.xDpi));
        if (page.yDpi > 0 && std::lround(page.yDpi) != std::lround(page.xDpi)) text += L" x " + std::to_wstring(std::lround(page.yDpi));
        text += L" dpi, ";
    }
    return text + ModeOf(page.format);
}

}  // namespace vantrel::scan
