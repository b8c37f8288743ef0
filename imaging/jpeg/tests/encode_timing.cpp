// Prints how long EncodeJpeg takes on A4 pages at 300 dpi (best and median of several runs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "imaging/jpeg/jpeg_encoder.h"
#include "imaging/jpeg/tests/test_pages.h"

int main() {
    using vantrel::imaging::PixelFormat;
    using vantrel::imaging::test::Content;
    const struct { const char* name; PixelFormat format; Content content; } pages[] = {
        {"colour document", PixelFormat::Rgb24, Content::Document},
        {"colour photo", PixelFormat::Rgb24, Content::Photo},
        {"grey photo", PixelFormat::Gray8, Content::Photo},
        {"1-bit document", PixelFormat::BlackWhite1, Content::Document},
    };
    constexpr int kRuns = 7;
    for (const auto& p : pages) {
        const auto page = vantrel::imaging::test::MakePage(2480, 3508, p.format, p.content, 0, 300);
        std::vector<double> ms;
        std::size_t bytes = 0;
        for (int run = 0; run < kRuns; ++run) {
            const auto start = std::chrono::steady_clock::now();
            bytes = vantrel::imaging::EncodeJpeg(page.View(), 85).size();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("A4 300 dpi %-16s q85: best %6.1f ms, median %6.1f ms, %zu bytes\n", p.name, ms.front(), ms[kRuns / 2], bytes);
    }
    return 0;
}
