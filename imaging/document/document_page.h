// Document pages drawn row by row, for the sample scanner and the clean-up's accuracy sets: lines of text in the 5 x 7
// font (or a blank side, a single line, a signature, a page number alone), on a sheet that may lie askew on the
// feeder's dark background, with dust specks, punch holes, faint noise and uneven illumination. Everything follows
// from the plan and its seed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantrel::imaging::document {

enum class Content : std::uint8_t { Text, Blank, OneLine, Signature, NumberOnly };

struct DocumentPlan {
    std::uint32_t width = 0, height = 0;  // the scanned frame, in pixels
    double dpi = 300;
    Content content = Content::Text;
    int band = -1;            // the page-number band's number across the sheet's top tenth; -1: no band
    std::uint32_t seed = 1;   // the words, specks and noise
    double skewDegrees = 0;   // the sheet turned counter-clockwise by this much (its lines rise to the right)
    int lines = 0;            // text lines (Text only); 0: as many as fit
    bool border = false;      // the feeder's dark background around a sheet 1.5 % smaller on every side
    int specks = 0;           // dust specks on the sheet
    bool holes = false;       // two punch holes near the left edge
    bool shade = false;       // illumination falling to half from the top-left to the bottom-right corner
};

class DocumentPicture {
public:
    explicit DocumentPicture(DocumentPlan plan);

    // Row y of the frame, one grey byte a pixel (each the mean of 2 x 2 samples).
    void GreyRow(std::uint32_t y, std::span<std::uint8_t> row) const;
    // Whether the centre of pixel (x, y) is ink on the sheet (before shading and noise): the binarization's truth.
    bool InkAt(std::uint32_t x, std::uint32_t y) const;

private:
    int SheetLevel(double u, double v) const;  // 0..255 at sheet point (u, v), in sheet pixels
    int FrameLevel(double x, double y) const;
    int TextLevel(double u, double v) const;

    DocumentPlan plan_;
    double sheetWidth_, sheetHeight_, cos_, sin_;
    int scale_;                      // pixels per font pixel
    double textLeft_, textTop_, pitch_;
    std::vector<std::string> text_;  // one entry per line; empty lines are paragraph breaks
    struct Dot {
        double u, v, radius;
        int level;
    };
    std::vector<Dot> dots_;  // specks and holes, from the top
    double reach_ = 0;       // the largest radius
    std::uint32_t signatureLeft_ = 0, signatureTop_ = 0, signatureWidth_ = 0, signatureHeight_ = 0;
    std::vector<std::uint8_t> signature_;
};

}  // namespace vantrel::imaging::document
