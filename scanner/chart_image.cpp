// Rendering the chart: pure pixels into a DIB section, the label by GDI, then packed into a global block.
#include "chart_image.h"

#include "packed_dib.h"
#include "test_chart.h"

#include <cstring>
#include <string>

namespace vantrel::scanner {
namespace {

// Draws the label centred in the white band. Non-antialiased glyphs keep the text crisp
// after the grey and one-bit conversions.
void DrawLabel(HDC dc, const ScanSettings& settings) {
    const ChartBands bands = BandsFor(settings.height);
    const int bandHeight = bands.labelBottom - bands.barsBottom;
    UniqueGdiObject font(::CreateFontW(-(bandHeight * 7 / 10), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                      DEFAULT_PITCH | FF_SWISS, L"Arial"));
    Selection selectedFont(dc, font ? font.get() : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    const std::string label = ChartLabel(settings);
    RECT band{0, bands.barsBottom, settings.width, bands.labelBottom};
    ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &band, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::GdiFlush();
}

// Puts the label on `pixels` by letting GDI draw into a 32-bit top-down DIB section that
// holds them, then reading them back.
bool Label(std::vector<Rgb>& pixels, const ScanSettings& settings) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = settings.width;
    info.bmiHeader.biHeight = -settings.height;  // top row first, like the pure pixels
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits) return false;
    UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    // 32-bit BI_RGB pixels are 0x00RRGGBB in memory order blue, green, red, unused: the same as Rgb.
    const std::size_t bytes = pixels.size() * sizeof(Rgb);
    std::memcpy(bits, pixels.data(), bytes);
    {
        Selection selectedBitmap(dc.get(), section.get());
        DrawLabel(dc.get(), settings);
    }
    std::memcpy(pixels.data(), bits, bytes);
    for (Rgb& pixel : pixels) pixel &= 0x00FFFFFF;
    return true;
}

}  // namespace

UniqueGlobal MakeChartDib(const ScanSettings& settings, const ProgressReport& progress) {
    auto report = [&](int percent) {
        if (progress) progress(percent);
    };
    const std::optional<DibLayout> layout = PlanDib(settings.width, settings.height, settings.mode);
    if (!layout) return {};
    report(0);
    std::vector<Rgb> pixels = PaintChart(settings.width, settings.height);
    report(30);
    if (!Label(pixels, settings)) return {};
    report(60);
    // GHND: movable and zero-filled, the kind of block TWAIN applications expect to lock and free.
    UniqueGlobal block(::GlobalAlloc(GHND, layout->totalBytes));
    if (!block) return {};
    {
        GlobalLock<std::uint8_t> bytes(block.get());
        if (!bytes) return {};
        if (!WritePackedDib(pixels, settings.mode, *layout, {bytes.get(), layout->totalBytes})) return {};
    }
    report(100);
    return block;
}

}  // namespace vantrel::scanner
