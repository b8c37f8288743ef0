// The command line: every option's names and values, and the usage errors that must scan nothing.
#include "cli/vantrel-scan/scan_arguments.h"

#include "twain/twain_records.h"

#include <gtest/gtest.h>

namespace {

using namespace vantrel::scan;
using vantrel::engine::ColorMode;

ParsedArguments Parse(std::vector<std::wstring> arguments) { return ParseArguments(arguments); }

TEST(ScanArguments, ShortAndLongNamesGiveTheSameSettings) {
    // Names outside ASCII pass through as they are.
    const auto shortNames = Parse({L"-d", L"Scanner \u00e9\u4e2d", L"-r", L"300", L"-m", L"grey", L"-n", L"4", L"-o", L"\u00fcber-{page}.png", L"-q"});
    const auto longNames = Parse({L"--source=Scanner \u00e9\u4e2d", L"--resolution", L"300", L"--mode=gray", L"--pages", L"4",
                                  L"--output=\u00fcber-{page}.png", L"--quiet"});
    for (const auto& parsed : {shortNames, longNames}) {
        ASSERT_EQ(parsed.error, L"");
        const ScanArguments& a = parsed.arguments;
        EXPECT_EQ(a.action, Action::Scan);
        EXPECT_EQ(a.source, L"Scanner \u00e9\u4e2d");
        EXPECT_EQ(a.resolution, 300.0);
        EXPECT_EQ(a.mode, ColorMode::Gray);
        EXPECT_EQ(a.pages, 4);
        EXPECT_EQ(a.output, L"\u00fcber-{page}.png");
        EXPECT_TRUE(a.quiet);
        EXPECT_FALSE(a.feeder.has_value()) << "left as the source has it";
    }
}

TEST(ScanArguments, FlagsAndActions) {
    const auto scan = Parse({L"--feeder", L"--duplex", L"--paper", L"letter", L"--ui", L"--transfer", L"memory", L"--quality", L"90",
                             L"--timeout=0", L"--json", L"--compression", L"ours", L"-o", L"x.jpg"});
    ASSERT_EQ(scan.error, L"");
    EXPECT_EQ(scan.arguments.feeder, true);
    EXPECT_TRUE(scan.arguments.duplex);
    ASSERT_TRUE(scan.arguments.paper);
    EXPECT_EQ(scan.arguments.paper->name, "Letter");
    EXPECT_TRUE(scan.arguments.ui && scan.arguments.transfer == vantrel::engine::TransferMode::Memory && scan.arguments.json);
    EXPECT_EQ(scan.arguments.quality, 90);
    EXPECT_EQ(scan.arguments.compression, vantrel::engine::Compression::Ours);
    EXPECT_EQ(Parse({L"--transfer=file", L"-o", L"a.tif"}).arguments.transfer, vantrel::engine::TransferMode::File);
    EXPECT_EQ(Parse({L"-o", L"a.tif"}).arguments.compression, vantrel::engine::Compression::Source) << "the default";
    EXPECT_EQ(scan.arguments.timeout, 0) << "0 asks to wait as long as it takes, unlike no --timeout";
    EXPECT_EQ(Parse({L"--duplex", L"-o", L"a.tif"}).arguments.feeder, true) << "both sides come through the feeder";
    EXPECT_EQ(Parse({L"--flatbed", L"-o", L"a.tif"}).arguments.feeder, false);

    EXPECT_EQ(Parse({L"-L"}).arguments.action, Action::ListSources);
    EXPECT_EQ(Parse({L"--all-options", L"--select"}).arguments.action, Action::AllOptions);
    EXPECT_EQ(Parse({L"-h"}).arguments.action, Action::Help);
    const auto recover = Parse({L"--recover", L"C:\\scans"});
    EXPECT_EQ(recover.arguments.action, Action::Recover) << "no --output needed";
    EXPECT_EQ(recover.arguments.recoverFolder, L"C:\\scans");
    EXPECT_EQ(Parse({L"--version", L"--flatbed", L"--feeder"}).error, L"") << "help and version need nothing else";
}

// Each value's reading is twain/capability's (capability_text_test.cpp); here, that every --cap is kept, in order.
TEST(ScanArguments, CapabilitiesAreKeptInOrder) {
    const auto parsed = Parse({L"--cap", L"ICAP_PIXELTYPE=TWPT_GRAY", L"--cap=CAP_INDICATORS=false", L"-o", L"a.png"});
    ASSERT_EQ(parsed.error, L"");
    ASSERT_EQ(parsed.arguments.capabilities.size(), 2u);
    EXPECT_EQ(parsed.arguments.capabilities[0].capability, vantrel::twain::ICAP_PIXELTYPE);
    EXPECT_EQ(parsed.arguments.capabilities[1].capability, vantrel::twain::CAP_INDICATORS);
}

// The clean-up's options are flags, or take their value after "=" only (a value given apart is the next argument).
TEST(ScanArguments, CleanupOptions) {
    using vantrel::imaging::cleanup::Binarization;
    const struct {
        std::vector<std::wstring> arguments;
        bool skipBlank;
        double threshold;
        bool deskew, crop;
        std::uint32_t despeckle;
        Binarization binarize;
        vantrel::imaging::cleanup::CleanupBy by = vantrel::imaging::cleanup::CleanupBy::Auto;
    } cases[] = {
        {{L"-o", L"a.pdf"}, false, 0.002, false, false, 0, Binarization::None},
        {{L"--skip-blank", L"--deskew", L"--crop", L"--despeckle", L"--binarize", L"--cleanup-by=source", L"-o", L"a.pdf"}, true,
         0.002, true, true, 9, Binarization::Adaptive, vantrel::imaging::cleanup::CleanupBy::Source},
        {{L"--skip-blank=0.5", L"--despeckle=4", L"--binarize=otsu", L"--cleanup-by", L"ours", L"-o", L"a.pdf"}, true, 0.5, false,
         false, 4, Binarization::Otsu, vantrel::imaging::cleanup::CleanupBy::Ours},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseArguments(c.arguments);
        ASSERT_EQ(parsed.error, L"");
        const auto& cleanup = parsed.arguments.cleanup;
        EXPECT_EQ(std::tuple(cleanup.skipBlank, cleanup.blank.thresholdPercent, cleanup.deskew, cleanup.crop, cleanup.despeckle, cleanup.binarize),
                  std::tuple(c.skipBlank, c.threshold, c.deskew, c.crop, c.despeckle, c.binarize));
        EXPECT_EQ(cleanup.by, c.by);
    }
}

// The document's texts arrive as UTF-8 whatever script they are in; --pdfa alone is PDF/A-2b.
TEST(ScanArguments, ArchiveAndMetadata) {
    using vantrel::imaging::PdfArchive;
    const struct {
        std::vector<std::wstring> arguments;
        PdfArchive pdfa;
    } cases[] = {
        {{L"-o", L"a.pdf"}, PdfArchive::None},
        {{L"--pdfa", L"-o", L"a.pdf"}, PdfArchive::A2b},
        {{L"--pdfa=1b", L"-o", L"a.PDF"}, PdfArchive::A1b},
        {{L"--pdfa=2B", L"--title", L"\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u6587\u66f8", L"--author=\u5c71\u7530",
          L"--subject", L"S", L"--keywords", L"a, b", L"-o", L"a.pdf"},
         PdfArchive::A2b},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseArguments(c.arguments);
        ASSERT_EQ(parsed.error, L"");
        EXPECT_EQ(parsed.arguments.pdfa, c.pdfa);
    }
    const auto& m = ParseArguments(cases[3].arguments).arguments.metadata;
    EXPECT_EQ(std::tuple(m.title, m.author, m.subject, m.keywords),
              std::tuple("\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u6587\u66f8", "\u5c71\u7530", "S", "a, b"));
}

TEST(ScanArguments, UsageErrorsNameTheOption) {
    const struct {
        std::vector<std::wstring> arguments;
        const wchar_t* words;
    } cases[] = {
        {{}, L"--output"},
        {{L"-L", L"--bogus"}, L"\"--bogus\""},
        {{L"scan.pdf"}, L"-o"},
        {{L"-o"}, L"--output needs a value"},
        {{L"--recover="}, L"--recover takes a folder"},
        {{L"-r", L"abc", L"-o", L"a.pdf"}, L"--resolution"},
        {{L"-r", L"0", L"-o", L"a.pdf"}, L"--resolution"},
        {{L"-r", L"inf", L"-o", L"a.pdf"}, L"--resolution"},
        {{L"-m", L"sepia", L"-o", L"a.pdf"}, L"color, gray or bw"},
        {{L"-n", L"0", L"-o", L"a.pdf"}, L"--pages"},
        {{L"-n", L"2.5", L"-o", L"a.pdf"}, L"--pages"},
        {{L"-n", L"99999999999999999999", L"-o", L"a.pdf"}, L"--pages"},
        {{L"--quality", L"101", L"-o", L"a.jpg"}, L"1 to 100"},
        {{L"--timeout", L"-1", L"-o", L"a.pdf"}, L"--timeout takes a whole number from 0"},
        {{L"--paper", L"A9", L"-o", L"a.pdf"}, L"Letter"},
        {{L"--transfer", L"tape", L"-o", L"a.pdf"}, L"native, memory or file"},
        {{L"--compression", L"both", L"-o", L"a.pdf"}, L"source or ours"},
        {{L"--feeder", L"--flatbed", L"-o", L"a.pdf"}, L"--feeder and --flatbed"},
        {{L"--duplex", L"--flatbed", L"-o", L"a.pdf"}, L"--duplex"},
        {{L"--select", L"-d", L"X", L"-o", L"a.pdf"}, L"--select and --source"},
        {{L"--json=yes", L"-L"}, L"--json takes no value"},
        {{L"--cap", L"NOPE=1", L"-o", L"a.pdf"}, L"--cap: there is no capability named \"NOPE\"."},
        {{L"--cap", L"ICAP_PIXELTYPE", L"-o", L"a.pdf"}, L"--cap takes NAME=VALUE"},
        {{L"--cap", L"CAP_AUTHOR=J\u00f6rg", L"-o", L"a.pdf"}, L"--cap CAP_AUTHOR: only ASCII"},
        {{L"--cap", L"CAP_DUPLEXENABLED=maybe", L"-o", L"a.pdf"}, L"--cap CAP_DUPLEXENABLED takes TRUE or FALSE, not \"maybe\"."},
        {{L"-d", L"", L"-L"}, L"--source"},
        {{L"--skip-blank=lots", L"-o", L"a.pdf"}, L"--skip-blank takes a number from 0 to 100"},
        {{L"--despeckle=0", L"-o", L"a.pdf"}, L"--despeckle takes a whole number from 1"},
        {{L"--binarize=sauvola", L"-o", L"a.pdf"}, L"adaptive or otsu"},
        {{L"--crop=1", L"-o", L"a.pdf"}, L"--crop takes no value"},
        {{L"--pdfa=3u", L"-o", L"a.pdf"}, L"--pdfa takes 1b or 2b"},
        {{L"--pdfa", L"-o", L"a.tif"}, L"must end with .pdf"},
        {{L"--cleanup-by=scanner", L"-o", L"a.pdf"}, L"--cleanup-by takes auto, source or ours"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseArguments(c.arguments);
        EXPECT_NE(parsed.error.find(c.words), std::wstring::npos) << std::string(parsed.error.begin(), parsed.error.end());
    }
}

}  // namespace
