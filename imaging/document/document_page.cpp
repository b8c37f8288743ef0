// The sheet's content as a function of sheet coordinates, sampled through the sheet's rotation for every pixel.
#include "imaging/document/document_page.h"

#include "imaging/document/glyphs.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace vantrel::imaging::document {
namespace {

constexpr int kPaper = 235, kInk = 20, kBackground = 40, kHole = 50, kSpeck = 25;

// A small deterministic generator (SplitMix64), the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double from, double to) { return from + (to - from) * static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15, h *= 0x2C1B3C6Du, h ^= h >> 12;
    return h;
}

// Words of 2 to 9 capitals and digits, lines of 55 to 100 % of `columns`, paragraphs of 3 to 8 lines.
std::vector<std::string> MakeText(Random& random, int columns, int lines) {
    std::vector<std::string> text;
    int paragraph = 3 + random.Below(6);
    while (static_cast<int>(text.size()) < lines) {
        if (paragraph-- == 0) {
            text.emplace_back();
            paragraph = 3 + random.Below(6);
            continue;
        }
        const int length = columns * (55 + random.Below(46)) / 100;
        std::string line;
        while (true) {
            std::string word;
            for (int n = 2 + random.Below(8); n > 0; --n) word += "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[random.Below(random.Below(5) ? 26 : 36)];
            if (static_cast<int>(line.size() + word.size()) + 1 > length) break;
            line += (line.empty() ? "" : " ") + word;
        }
        text.push_back(line.empty() ? "A" : line);
    }
    return text;
}

}  // namespace

DocumentPicture::DocumentPicture(DocumentPlan plan) : plan_(std::move(plan)) {
    const double inset = plan_.border ? std::round(0.015 * std::min(plan_.width, plan_.height)) : 0;
    sheetWidth_ = plan_.width - 2 * inset;
    sheetHeight_ = plan_.height - 2 * inset;
    const double radians = plan_.skewDegrees * std::numbers::pi / 180;
    cos_ = std::cos(radians);
    sin_ = std::sin(radians);
    const double mm = plan_.dpi / 25.4;
    scale_ = std::max(1, static_cast<int>(std::lround(plan_.dpi / 75)));
    pitch_ = 12.0 * scale_;
    textLeft_ = std::round(20 * mm);
    textTop_ = std::round(sheetHeight_ / 10 + 12 * mm);
    Random random(plan_.seed * 0x100000001B3ull + 7);
    const int columns = std::max(1, static_cast<int>((sheetWidth_ - 2 * textLeft_) / (kCellWidth * scale_)));
    const int fit = std::max(0, static_cast<int>((sheetHeight_ - textTop_ - 20 * mm) / pitch_));
    switch (plan_.content) {
        case Content::Text: text_ = MakeText(random, columns, plan_.lines > 0 ? std::min(plan_.lines, fit) : fit); break;
        case Content::OneLine:
            text_.assign(static_cast<std::size_t>(random.Below(std::max(1, fit))), std::string());
            text_.push_back(MakeText(random, columns, 1)[0]);
            break;
        case Content::NumberOnly: {
            text_.assign(static_cast<std::size_t>(std::max(0, fit - 1)), std::string());
            text_.push_back("- " + std::to_string(1 + random.Below(999)) + " -");
            textLeft_ = std::round((sheetWidth_ - text_.back().size() * kCellWidth * scale_) / 2);
            break;
        }
        case Content::Signature: {
            // A scribble: a pen of about 0.4 mm following a sum of waves, 50 x 15 mm, low on the right.
            signatureWidth_ = static_cast<std::uint32_t>(50 * mm), signatureHeight_ = static_cast<std::uint32_t>(15 * mm);
            signatureLeft_ = static_cast<std::uint32_t>(std::max(0.0, sheetWidth_ - 80 * mm));
            signatureTop_ = static_cast<std::uint32_t>(std::max(0.0, sheetHeight_ - 50 * mm));
            signature_.assign(std::size_t{signatureWidth_} * signatureHeight_, 0);
            const double a = random.Uniform(2, 5), b = random.Uniform(5, 11), phase = random.Uniform(0, 6);
            const double pen = std::max(1.0, 0.2 * mm);
            for (double t = 0; t < 1; t += 0.2 / (signatureWidth_ + 1.0)) {
                const double cx = (0.05 + 0.9 * t) * signatureWidth_ + 0.04 * signatureWidth_ * std::sin(b * 2 * std::numbers::pi * t);
                const double cy = signatureHeight_ * (0.5 + 0.3 * std::sin(a * 2 * std::numbers::pi * t + phase) * std::cos(b * std::numbers::pi * t));
                for (int dy = -3; dy <= 3; ++dy)
                    for (int dx = -3; dx <= 3; ++dx) {
                        if (dx * dx + dy * dy > pen * pen) continue;
                        const long long px = std::llround(cx) + dx, py = std::llround(cy) + dy;
                        if (px >= 0 && py >= 0 && px < signatureWidth_ && py < signatureHeight_)
                            signature_[static_cast<std::size_t>(py) * signatureWidth_ + static_cast<std::size_t>(px)] = 1;
                    }
            }
            break;
        }
        case Content::Blank: break;
    }
    if (plan_.holes)
        for (const double v : {sheetHeight_ / 2 - 40 * mm, sheetHeight_ / 2 + 40 * mm}) dots_.push_back({12 * mm, v, 3 * mm, kHole});
    for (int i = 0; i < plan_.specks; ++i) {
        const double u = random.Uniform(0, sheetWidth_), v = random.Uniform(0, sheetHeight_);
        dots_.push_back({u, v, random.Uniform(0.6, 1.5) * plan_.dpi / 300, kSpeck});
    }
    // Sorted from the top, so each sample looks only at the dots within reach of its row.
    std::sort(dots_.begin(), dots_.end(), [](const Dot& a, const Dot& b) { return a.v < b.v; });
    for (const Dot& dot : dots_) reach_ = std::max(reach_, dot.radius);
}

int DocumentPicture::TextLevel(double u, double v) const {
    if (u < textLeft_ || v < textTop_) return kPaper;
    const auto line = static_cast<std::size_t>((v - textTop_) / pitch_);
    if (line >= text_.size()) return kPaper;
    const int inLine = static_cast<int>(v - textTop_ - static_cast<double>(line) * pitch_) / scale_;
    if (inLine >= kGlyphHeight) return kPaper;
    const int unit = static_cast<int>(u - textLeft_) / scale_;
    const auto index = static_cast<std::size_t>(unit / kCellWidth);
    const int column = unit % kCellWidth;
    if (index >= text_[line].size() || column >= kGlyphWidth) return kPaper;
    return (GlyphRows(text_[line][index])[static_cast<std::size_t>(inLine)] >> (kGlyphWidth - 1 - column)) & 1 ? kInk : kPaper;
}

int DocumentPicture::SheetLevel(double u, double v) const {
    const auto first = std::lower_bound(dots_.begin(), dots_.end(), v - reach_, [](const Dot& dot, double top) { return dot.v < top; });
    for (auto dot = first; dot != dots_.end() && dot->v <= v + reach_; ++dot)
        if ((u - dot->u) * (u - dot->u) + (v - dot->v) * (v - dot->v) <= dot->radius * dot->radius) return dot->level;
    if (plan_.band >= 0 && v < std::max(1.0, std::floor(sheetHeight_ / 10))) {
        const int cell = std::min(15, static_cast<int>(u * 16 / sheetWidth_));
        return (static_cast<unsigned>(plan_.band) >> (15 - cell)) & 1u ? 0 : 255;
    }
    if (!signature_.empty() && u >= signatureLeft_ && v >= signatureTop_ && u < signatureLeft_ + signatureWidth_ &&
        v < signatureTop_ + signatureHeight_)
        return signature_[static_cast<std::size_t>(v - signatureTop_) * signatureWidth_ + static_cast<std::size_t>(u - signatureLeft_)]
                   ? kInk : kPaper;
    return TextLevel(u, v);
}

int DocumentPicture::FrameLevel(double x, double y) const {
    const double dx = x - plan_.width / 2.0, dy = y - plan_.height / 2.0;
    const double u = dx * cos_ - dy * sin_ + sheetWidth_ / 2, v = dx * sin_ + dy * cos_ + sheetHeight_ / 2;
    if (u < 0 || v < 0 || u >= sheetWidth_ || v >= sheetHeight_) return plan_.border ? kBackground : kPaper;
    return SheetLevel(u, v);
}

void DocumentPicture::GreyRow(std::uint32_t y, std::span<std::uint8_t> row) const {
    for (std::uint32_t x = 0; x < plan_.width && x < row.size(); ++x) {
        double level = 0;
        for (const double oy : {0.25, 0.75})
            for (const double ox : {0.25, 0.75}) level += FrameLevel(x + ox, y + oy);
        level /= 4;
        if (plan_.shade) {
            const double fx = static_cast<double>(x) / plan_.width, fy = static_cast<double>(y) / plan_.height;
            level *= 1 - 0.25 * (fx * fx + fy * fy);
        }
        level += static_cast<int>(Hash(x, y, plan_.seed) % 13) - 6;  // faint paper noise
        row[x] = static_cast<std::uint8_t>(std::clamp(std::lround(level), 0L, 255L));
    }
}

bool DocumentPicture::InkAt(std::uint32_t x, std::uint32_t y) const { return FrameLevel(x + 0.5, y + 0.5) < 128; }

}  // namespace vantrel::imaging::document
