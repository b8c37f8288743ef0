// Each clean-up step on document pages drawn at 150 dpi, and the steps together: the ink, angles and sheets they
// find, and the page-number band still readable after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "imaging/cleanup/border_crop.h"
#include "imaging/cleanup/cleaning_consumer.h"
#include "imaging/cleanup/components.h"
#include "imaging/cleanup/clean_page.h"
#include "imaging/cleanup/despeckle.h"
#include "imaging/document/document_page.h"
#include "tests/fixtures/page_number_band.h"

namespace vantrel::imaging::cleanup {
namespace {

using document::Content;
using document::DocumentPlan;

constexpr std::uint32_t kWidth = 1240, kHeight = 1754;  // A4 at 150 dpi
constexpr int kBand = 0x5A3C;

DocumentPlan Plan(Content content, double skew = 0, bool border = false) {
    return {.width = kWidth, .height = kHeight, .dpi = 150, .content = content, .band = content == Content::Text ? kBand : -1,
            .seed = 11, .skewDegrees = skew, .lines = 0, .border = border};
}

PageBuffer Draw(const DocumentPlan& plan, PixelFormat format = PixelFormat::Gray8) {
    auto page = PageBuffer::Make(plan.width, plan.height, format, plan.dpi, plan.dpi);
    const document::DocumentPicture picture(plan);
    std::vector<std::uint8_t> grey(plan.width);
    for (std::uint32_t y = 0; y < plan.height; ++y) {
        picture.GreyRow(y, grey);
        const auto row = page->Row(y);
        for (std::uint32_t x = 0; x < plan.width; ++x) {
            if (format == PixelFormat::Gray8) row[x] = grey[x];
            else if (format == PixelFormat::Rgb24) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = grey[x];
            else if (grey[x] < 128) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | 0x80 >> (x % 8));
        }
    }
    return std::move(*page);
}

// Masks drawn as text: '#' ink, rows separated by '/'.
InkMask Mask(const std::string& art) {
    InkMask mask{static_cast<std::uint32_t>(art.find('/')), 0, {}};
    for (const char c : art) if (c != '/') mask.pixels.push_back(c == '#');
    mask.height = static_cast<std::uint32_t>(mask.pixels.size() / mask.width);
    return mask;
}

TEST(Despeckle, RemovesEightConnectedComponentsUpToTheSize) {
    const struct { const char* in; std::uint32_t size; const char* out; } rows[] = {
        {"#..../...../....#", 1, "...../...../....."},
        {"#..../.#.../.....", 1, "#..../.#.../....."},  // diagonal neighbours are one speck of 2
        {"#.#../#.#../###..", 6, "#.#../#.#../###.."},  // two arms joined only below: one component of 7
        {"#.#../#.#../###..", 7, "...../...../....."},
        {"##.##/...../##.##", 2, "...../...../....."},
    };
    for (const auto& row : rows) {
        InkMask mask = Mask(row.in);
        RemoveSpecks(mask, row.size);
        EXPECT_EQ(mask.pixels, Mask(row.out).pixels) << row.in << " up to " << row.size;
    }
}

TEST(Binarize, ErrorAgainstTheDrawnInk) {
    const struct { bool shade; Binarization method; double maxErrorPercent; } rows[] = {
        {true, Binarization::Adaptive, 0.1},  // about 0.015 % measured on these pages
        {false, Binarization::Otsu, 0.1},
    };
    for (const auto& row : rows) {
        DocumentPlan plan = Plan(Content::Text);
        plan.shade = row.shade;
        const PageBuffer page = Draw(plan);
        const InkMask ink = InkOf(page.View(), row.method);
        const document::DocumentPicture truth(plan);
        std::uint64_t wrong = 0;
        for (std::uint32_t y = 0; y < kHeight; ++y)
            for (std::uint32_t x = 0; x < kWidth; ++x) wrong += ink.At(x, y) != truth.InkAt(x, y);
        EXPECT_LT(100.0 * static_cast<double>(wrong) / (kWidth * kHeight), row.maxErrorPercent) << int(row.method);
    }
}

TEST(BlankPage, LabelledSides) {
    const struct { Content content; bool border, holes; int specks; bool blank; } rows[] = {
        {Content::Blank, true, true, 40, true},
        {Content::Blank, false, true, 0, true},
        {Content::NumberOnly, true, true, 20, false},
        {Content::OneLine, false, false, 20, false},
        {Content::Signature, false, true, 0, false},
    };
    for (const auto& row : rows) {
        DocumentPlan plan = Plan(row.content, 0.7, row.border);
        plan.holes = row.holes, plan.specks = row.specks;
        const PageBuffer page = Draw(plan);
        const InkMeasure measure = MeasureInk(InkOf(page.View(), Binarization::Adaptive), 150, {});
        EXPECT_EQ(measure.blank, row.blank) << int(row.content) << ": " << measure.inkPercent << " %";
    }
}

TEST(Skew, MeasuredAngles) {
    const struct { Content content; double skew; bool border; bool found; double expected; } rows[] = {
        {Content::Text, -10, false, true, -10},   {Content::Text, -2.37, true, true, -2.37},
        {Content::Text, 0.61, false, true, 0.61}, {Content::Text, 8.15, true, true, 8.15},
        {Content::Text, 14.5, false, true, 14.5}, {Content::Text, 0.5, false, true, 0.5},
        {Content::Text, 0.03, false, true, 0},  // under the minimum
        {Content::Blank, 3, false, false, 0},  // punch holes and dust: nothing lined up
    };
    for (const auto& row : rows) {
        DocumentPlan plan = Plan(row.content, row.skew, row.border);
        plan.holes = true, plan.specks = 400;
        const PageBuffer page = Draw(plan);
        const SkewEstimate skew = FindSkew(InkOf(page.View(), Binarization::Adaptive), {});
        EXPECT_EQ(skew.found, row.found) << row.skew;
        EXPECT_NEAR(skew.degrees, row.expected, 0.05) << row.skew;  // at most 0.031 measured at 150 dpi
    }
}

TEST(BorderCrop, CutsToTheSheet) {
    const std::uint32_t inset = 19;  // 1.5 % of 1240
    const struct { bool border; PixelFormat format; SheetBox box; } rows[] = {
        {true, PixelFormat::Gray8, {inset, inset, kWidth - inset, kHeight - inset}},
        {true, PixelFormat::BlackWhite1, {inset, inset, kWidth - inset, kHeight - inset}},
        {false, PixelFormat::Rgb24, {0, 0, kWidth, kHeight}},
    };
    for (const auto& row : rows) {
        const SheetBox box = FindSheet(Draw(Plan(Content::Text, 0, row.border), row.format).View());
        EXPECT_NEAR(box.left, row.box.left, 1);
        EXPECT_NEAR(box.top, row.box.top, 1);
        EXPECT_NEAR(box.right, row.box.right, 1);
        EXPECT_NEAR(box.bottom, row.box.bottom, 1);
    }
}

TEST(CleanPage, EachStepKeepsTheBandAndTheResolution) {
    CleanupOptions all{.skipBlank = true, .deskew = true, .crop = true, .binarize = Binarization::Adaptive, .despeckle = 9};
    const struct { const char* name; CleanupOptions options; double skew; PixelFormat in, out; bool cropped; } rows[] = {
        {"deskew", {.deskew = true}, 1.5, PixelFormat::Gray8, PixelFormat::Gray8, false},
        {"deskew 1-bit", {.deskew = true}, -1.2, PixelFormat::BlackWhite1, PixelFormat::BlackWhite1, false},
        {"crop", {.crop = true}, 0, PixelFormat::Rgb24, PixelFormat::Rgb24, true},
        {"blank test", {.skipBlank = true}, 0, PixelFormat::Gray8, PixelFormat::Gray8, false},
        {"adaptive", {.binarize = Binarization::Adaptive}, 0, PixelFormat::Rgb24, PixelFormat::BlackWhite1, false},
        {"otsu", {.binarize = Binarization::Otsu}, 0, PixelFormat::Gray8, PixelFormat::BlackWhite1, false},
        {"despeckle", {.despeckle = 9}, 0, PixelFormat::BlackWhite1, PixelFormat::BlackWhite1, false},
        {"all", all, -0.8, PixelFormat::Gray8, PixelFormat::BlackWhite1, true},
    };
    // Small skews: a larger one turns the band's ends out of the scanned frame.
    for (const auto& row : rows) {
        DocumentPlan plan = Plan(Content::Text, row.skew, true);
        plan.specks = 30;
        const auto cleaned = CleanPage(Draw(plan, row.in).View(), row.options);
        ASSERT_TRUE(cleaned && cleaned->page) << row.name;
        const PageImage out = cleaned->page->View();
        EXPECT_EQ(out.format, row.out) << row.name;
        EXPECT_EQ(fixtures::ReadPageNumber(out), kBand) << row.name;
        EXPECT_EQ(out.xDpi, 150) << row.name;
        EXPECT_EQ(out.width < kWidth - 30, row.cropped) << row.name;
        if (row.options.deskew) EXPECT_NEAR(cleaned->report.skewDegrees, row.skew, 0.1) << row.name;
        if (row.options.skipBlank) EXPECT_GT(cleaned->report.inkPercent, 1) << row.name;
        if (row.options.despeckle) {
            const Components left = FindComponents(MaskOfBits(out));
            EXPECT_TRUE(std::none_of(left.list.begin(), left.list.end(), [](const Component& c) { return c.area <= 9; })) << row.name;
        }
    }
    const auto back = CleanPage(Draw(Plan(Content::Blank, 2, true)).View(), all);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->report.kept || back->page);
    EXPECT_GE(back->report.inkPercent, 0);
}

// Takes pages and notes their bands and first bytes; anything else a batch's clean-up should never call.
class RecordingFiles final : public PageConsumer {
public:
    bool Take(const PageImage& page) override {
        bands.push_back(fixtures::ReadPageNumber(page).value_or(-1));
        firstBytes.push_back(page.pixels.data());
        return true;
    }
    bool Finish() override { ADD_FAILURE() << "Finish is the batch's to call"; return false; }
    const std::wstring& Error() const override { ADD_FAILURE() << "unexpected Error()"; return none_; }
    const std::vector<StoredFile>& Files() const override { ADD_FAILURE() << "unexpected Files()"; return files_; }
    std::vector<int> bands;
    std::vector<const std::uint8_t*> firstBytes;

private:
    std::wstring none_;
    std::vector<StoredFile> files_;
};

TEST(CleaningConsumer, DropsBlankPagesNumbersTheRestAndReportsEveryOne) {
    std::vector<PageBuffer> batch;
    for (const Content content : {Content::Text, Content::Blank, Content::Text, Content::Blank}) {
        DocumentPlan plan = Plan(content);
        plan.band = content == Content::Text ? static_cast<int>(batch.size()) + 1 : -1;
        batch.push_back(Draw(plan));
    }
    const struct { CleanupOptions options; std::vector<int> bands; std::vector<std::uint32_t> stored; Doer blank, deskew; } rows[] = {
        {{.skipBlank = true}, {1, 3}, {1, 0, 2, 0}, Doer::Ours, Doer::None},
        {{}, {1, 0, 3, 0}, {1, 2, 3, 4}, Doer::None, Doer::None},  // no step: the pages themselves, untouched
        // The scanner's own steps are not done again (its blanks never came), only reported.
        {{.bySource = {.blank = true, .deskew = true}}, {1, 0, 3, 0}, {1, 2, 3, 4}, Doer::Source, Doer::Source},
        {{.bySource = {.deskew = true}, .skipBlank = true}, {1, 3}, {1, 0, 2, 0}, Doer::Ours, Doer::Source},
    };
    for (const auto& row : rows) {
        RecordingFiles files;
        CleaningConsumer cleaning(files, row.options);
        for (const PageBuffer& page : batch) ASSERT_TRUE(cleaning.Take(page.View()));
        EXPECT_EQ(files.bands, row.bands);
        std::vector<std::uint32_t> stored;
        for (const auto& report : cleaning.Reports()) {
            stored.push_back(report.stored);
            EXPECT_EQ(report.scanned, stored.size());
            EXPECT_EQ(report.cleanup.by.blank, row.blank);
            EXPECT_EQ(report.cleanup.by.deskew, row.deskew);
            EXPECT_EQ(report.cleanup.skewDegrees, 0);  // the source's angle is not known; these pages are straight
        }
        EXPECT_EQ(stored, row.stored);
        if (!AnyStep(row.options)) EXPECT_EQ(files.firstBytes[1], batch[1].View().pixels.data());
    }
}

}  // namespace
}  // namespace vantrel::imaging::cleanup
