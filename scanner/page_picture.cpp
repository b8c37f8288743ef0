// Drawing a page row by row: band cells, chart, adjustments and the scaled bitmap-font label.
#include "scanner/page_picture.h"

#include "imaging/document/glyphs.h"

#include <algorithm>
#include <utility>

namespace vantrel::scanner {

using imaging::document::GlyphRows;
using imaging::document::kCellHeight;
using imaging::document::kCellWidth;
using imaging::document::kGlyphHeight;
using imaging::document::kGlyphWidth;

namespace {

constexpr Rgb kBlack = MakeRgb(0, 0, 0);
constexpr Rgb kWhite = MakeRgb(255, 255, 255);

int LineUnits(const std::string& line) {
    return line.empty() ? 0 : static_cast<int>(line.size()) * kCellWidth - 1;
}

int WidestUnits(const std::vector<std::string>& lines) {
    int widest = 0;
    for (const std::string& line : lines) widest = std::max(widest, LineUnits(line));
    return widest;
}

// Leaves a tenth of the band free around the text.
int ScaleFor(int width, int bandHeight, const std::vector<std::string>& lines) {
    const int units = WidestUnits(lines);
    const int blockUnits = static_cast<int>(lines.size()) * kCellHeight - 1;
    if (units == 0 || blockUnits <= 0) return 0;
    return std::min(width * 9 / 10 / units, bandHeight * 9 / 10 / blockUnits);
}

}  // namespace

int BandHeight(int height) { return std::max(1, height / 10); }

bool CellIsBlack(int number, int cell) { return ((static_cast<unsigned>(number) >> (15 - cell)) & 1u) != 0; }

int CellStart(int width, int cell) { return static_cast<int>(static_cast<long long>(width) * cell / 16); }

std::uint8_t Adjust(std::uint8_t level, int brightness, int contrast) {
    if (brightness == 0 && contrast == 0) return level;
    const long long stretched = (static_cast<long long>(level) - 128) * (1000 + contrast) / 1000 + 128;
    const long long shifted = stretched + static_cast<long long>(brightness) * 255 / 1000;
    return static_cast<std::uint8_t>(std::clamp<long long>(shifted, 0, 255));
}

LabelLayout PlanLabel(int width, int height, const std::vector<std::string>& lines) {
    const ChartBands bands = BandsFor(height);
    const int bandHeight = bands.labelBottom - bands.barsBottom;
    LabelLayout layout{0, lines, bands.barsBottom, {}};
    while (layout.lines.size() > 1 && ScaleFor(width, bandHeight, layout.lines) < 1) layout.lines.pop_back();
    layout.scale = std::max(1, ScaleFor(width, bandHeight, layout.lines));
    const int blockHeight = (static_cast<int>(layout.lines.size()) * kCellHeight - 1) * layout.scale;
    layout.top = bands.barsBottom + (bandHeight - blockHeight) / 2;
    for (const std::string& line : layout.lines) layout.lefts.push_back((width - LineUnits(line) * layout.scale) / 2);
    return layout;
}

PagePicture::PagePicture(PageSpec spec)
    : spec_(std::move(spec)), label_(PlanLabel(spec_.width, spec_.height, spec_.lines)), band_(BandHeight(spec_.height)) {
    if (spec_.document) document_.emplace(*spec_.document);
}

void PagePicture::Row(int y, std::span<Rgb> row) const {
    const int width = spec_.width;
    if (document_) {
        std::vector<std::uint8_t> grey(static_cast<std::size_t>(width));
        document_->GreyRow(static_cast<std::uint32_t>(y), grey);
        if (spec_.lineArt)
            for (std::uint8_t& level : grey) level = level < 128 ? 0 : 255;
        for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = MakeRgb(grey[static_cast<std::size_t>(x)], grey[static_cast<std::size_t>(x)], grey[static_cast<std::size_t>(x)]);
        return;
    }
    if (y < band_) {
        for (int cell = 0; cell < 16; ++cell) {
            const Rgb colour = CellIsBlack(spec_.number, cell) ? kBlack : kWhite;
            std::fill(row.begin() + CellStart(width, cell), row.begin() + CellStart(width, cell + 1), colour);
        }
        return;
    }
    PaintChartRow(width, spec_.height, y, row.data());
    if (spec_.brightness != 0 || spec_.contrast != 0) {
        for (Rgb& pixel : row) {
            pixel = MakeRgb(Adjust(static_cast<std::uint8_t>(RedOf(pixel)), spec_.brightness, spec_.contrast),
                            Adjust(static_cast<std::uint8_t>(GreenOf(pixel)), spec_.brightness, spec_.contrast),
                            Adjust(static_cast<std::uint8_t>(BlueOf(pixel)), spec_.brightness, spec_.contrast));
        }
    }
    DrawText(y, row);
}

void PagePicture::DrawText(int y, std::span<Rgb> row) const {
    const int scale = label_.scale;
    if (y < label_.top) return;
    const int unitRow = (y - label_.top) / scale;
    const auto line = static_cast<std::size_t>(unitRow / kCellHeight);
    const int glyphRow = unitRow % kCellHeight;
    if (line >= label_.lines.size() || glyphRow >= kGlyphHeight) return;
    const std::string& text = label_.lines[line];
    const int width = spec_.width;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t bits = GlyphRows(text[i])[static_cast<std::size_t>(glyphRow)];
        if (bits == 0) continue;
        for (int column = 0; column < kGlyphWidth; ++column) {
            if (((bits >> (kGlyphWidth - 1 - column)) & 1u) == 0) continue;
            const int left = label_.lefts[line] + (static_cast<int>(i) * kCellWidth + column) * scale;
            const int from = std::clamp(left, 0, width);
            const int to = std::clamp(left + scale, 0, width);
            std::fill(row.begin() + from, row.begin() + to, kBlack);
        }
    }
}

std::vector<std::string> PageLines(int number, Side side, const std::string& chartLabel, int xDpi, bool feeder,
                                   int brightness, int contrast) {
    std::string third = std::to_string(xDpi) + " dpi, " + (feeder ? "feeder" : "flatbed");
    if (brightness != 0 || contrast != 0) {
        third += ", b" + std::string(brightness > 0 ? "+" : "") + std::to_string(brightness) + " c" +
                 std::string(contrast > 0 ? "+" : "") + std::to_string(contrast);
    }
    return {"Page " + std::to_string(number) + (side == Side::Front ? " front" : " back"), chartLabel, third};
}

}  // namespace vantrel::scanner
