// One page as the scanner delivers it, drawn one row at a time: the page-number band, the chart, the labels (pure logic).
#pragma once

#include "imaging/document/document_page.h"
#include "scanner/test_chart.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::scanner {

enum class Side { Front, Back };

struct PageSpec {
    int width = 0;
    int height = 0;
    int number = 1;               // the page number the band encodes (its low 16 bits)
    std::vector<std::string> lines;  // the label text, one entry per line
    int brightness = 0;           // -1000..1000, applied to the chart, never to the band or text
    int contrast = 0;             // -1000..1000, likewise
    std::optional<imaging::document::DocumentPlan> document;  // a document page instead of the chart
    // Black and white: a document page thresholded at half, as a document scanner's line-art mode makes text
    // (paper white, no dots); the chart stays dithered, a scanner's halftone.
    bool lineArt = false;
};

// The band across the top: a tenth of the page high (at least one row), 16 equal cells across;
// cell i is black when bit 15 - i of the page number is set.
int BandHeight(int height);
bool CellIsBlack(int number, int cell);
// The first column of cell `cell` (0..16; 16 gives the width).
int CellStart(int width, int cell);

// A brightness and contrast change of one 0..255 level, TWAIN's -1000..1000 scale on each.
std::uint8_t Adjust(std::uint8_t level, int brightness, int contrast);

// Where the label sits: `scale` pixels per font pixel, the lines that fit, the block's top row.
struct LabelLayout {
    int scale;
    std::vector<std::string> lines;
    int top;
    std::vector<int> lefts;  // the first column of each line, centred
};

// The largest scale at which the lines fit the label band of a page this size, dropping lines
// from the end while even scale 1 is too big; a page too small for one line gets it at scale 1,
// cut at the edges.
LabelLayout PlanLabel(int width, int height, const std::vector<std::string>& lines);

class PagePicture {
public:
    explicit PagePicture(PageSpec spec);

    int width() const noexcept { return spec_.width; }
    int height() const noexcept { return spec_.height; }

    // Row y (0 at the top) into `row`, which holds width() pixels.
    void Row(int y, std::span<Rgb> row) const;

private:
    void DrawText(int y, std::span<Rgb> row) const;

    PageSpec spec_;
    LabelLayout label_;
    int band_;
    std::optional<imaging::document::DocumentPicture> document_;
};

// The label lines of a page: "Page 3 back", the chart label, then resolution and source.
std::vector<std::string> PageLines(int number, Side side, const std::string& chartLabel, int xDpi, bool feeder,
                                   int brightness, int contrast);

}  // namespace vantrel::scanner
