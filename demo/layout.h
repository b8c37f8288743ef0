// The window's design in twips, as drawn, and the one conversion to pixels at a given DPI.
#pragma once

namespace demo {

inline constexpr int kTwipsPerInch = 1440;

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
};

// Rounds to the nearest pixel, like MulDiv, so 8055 twips at 96 dpi are 537 pixels.
constexpr int TwipsToPixels(int twips, int dpi) { return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch; }

constexpr PixelRect ToPixels(const TwipRect& r, int dpi) {
    return {TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
            TwipsToPixels(r.height, dpi)};
}

inline constexpr int kClientWidthTwips = 8055;
inline constexpr int kClientHeightTwips = 6240;

// Control identifiers follow the tab order, which is also the creation order.
enum ControlId : int { PictureClipboard = 100, CommandSelectsource, CommandAcquire, CommandSave };

struct ControlLayout {
    ControlId id;
    const wchar_t* name;           // also the INI key of a button's caption
    const wchar_t* designCaption;  // replaced during load
    TwipRect twips;
};

inline constexpr ControlLayout kPictureLayout{PictureClipboard, L"PictureClipboard", L"", {120, 120, 6015, 6015}};

inline constexpr ControlLayout kButtonLayouts[] = {
    {CommandSelectsource, L"CommandSelectsource", L"Select Source", {6360, 120, 1575, 375}},
    {CommandAcquire, L"CommandAcquire", L"Acquire", {6360, 600, 1575, 375}},
    {CommandSave, L"CommandSave", L"Save", {6360, 1080, 1575, 375}},
};

// The controls' font: 8 points, as designed.
inline constexpr int kFontPoints = 8;

}  // namespace demo
