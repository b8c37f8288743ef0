// vantrel-scan.exe run as scripts run it, against Wine's DSM and the Vantrel Sample Scanner: its
// exit status, its standard output and error, and the files it writes.
#include "product_version.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using vantrel::UniqueFile;

struct Finished {
    DWORD status = 0xFFFFFFFF;
    std::string out;  // UTF-8, without the CRs Wine may add
    std::string err;
};

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    std::erase(text, '\r');
    return text;
}

UniqueFile Inheritable(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueFile(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
}

class VantrelScan : public ::testing::Test {
protected:
    void SetUp() override {
        Set(L"VANTREL_SCANNER_FAULT", L"");
        Set(L"VANTREL_SCANNER_SHEETS", L"");
        Set(L"VANTREL_SCANNER_QUIRKS", L"");
    }
    void Set(const wchar_t* name, const std::wstring& value) {
        environment_.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(name, value));
    }

    // Runs the program with standard output and error in files of this test's own.
    Finished Scan(const std::wstring& arguments) {
        // Names of each run's own for the whole program: a file the last child had open may not be
        // free again at once, not even after the previous test's directory was removed.
        static int runs = 0;
        const std::wstring number = std::to_wstring(++runs);
        const auto outPath = directory_ / (L"stdout-" + number + L".txt");
        const auto errPath = directory_ / (L"stderr-" + number + L".txt");
        Finished run;
        {
            UniqueFile out = Inheritable(outPath);
            UniqueFile err = Inheritable(errPath);
            if (!out || !err) return run;
            const std::wstring program = (fixtures::ProgramDirectory() / L"vantrel-scan.exe").wstring();
            run.status = fixtures::RunAndWait(L"\"" + program + L"\" " + arguments, {}, {out.get(), err.get()});
        }
        run.out = ReadText(outPath);
        run.err = ReadText(errPath);
        return run;
    }

    std::wstring Path(const std::wstring& name) const { return L"\"" + (directory_ / name).wstring() + L"\""; }

    fixtures::TestDirectory directory_{L"vantrel-scan"};
    std::vector<std::unique_ptr<fixtures::ScopedEnvironment>> environment_;
};

std::size_t Count(const std::string& text, const std::regex& pattern) {
    return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
}

TEST_F(VantrelScan, ListsTheSampleScannerAndItsOptionsWithTheirAllowedValues) {
    const Finished list = Scan(L"-L");
    EXPECT_EQ(list.status, 0u) << list.err;
    EXPECT_NE(list.out.find("Vantrel Sample Scanner\n"), std::string::npos) << list.out;
    EXPECT_TRUE(list.out.starts_with("* ") || list.out.starts_with("  ")) << list.out;

    const Finished options = Scan(L"-d \"vantrel sample scanner\" -A");
    EXPECT_EQ(options.status, 0u) << options.err;
    EXPECT_NE(options.out.find("ICAP_XRESOLUTION: 100 (default 100); one of 75, 100, 150, 200, 240, 300, 400, 600, 1200\n"),
              std::string::npos) << options.out;
    EXPECT_NE(options.out.find("ICAP_PIXELTYPE: TWPT_RGB (default TWPT_RGB); one of TWPT_BW, TWPT_GRAY, TWPT_RGB\n"), std::string::npos);
    EXPECT_NE(options.out.find("ICAP_BRIGHTNESS: 0 (default 0); range -1000 to 1000, step 1\n"), std::string::npos);
    EXPECT_NE(options.out.find("ICAP_SUPPORTEDSIZES: TWSS_NONE (default TWSS_NONE); one of TWSS_NONE, TWSS_A4"), std::string::npos);
    EXPECT_NE(options.out.find("CAP_FEEDERENABLED: FALSE (default FALSE)\n"), std::string::npos);
}

// Each way a batch ends, as scripts see it: the exit status, a progress line a page and the line on
// standard error, the JSON with the true size of the file, and the file only when a page was stored.
// How the pages themselves reach the files is the engine's (engine_e2e_test.cpp).
TEST_F(VantrelScan, EachBatchEndHasItsStatusErrorLineAndJson) {
    const struct {
        const char* what;
        const wchar_t* sheets;
        const wchar_t* fault;
        const wchar_t* options;
        DWORD status;
        const char* err;   // on standard error ("" : nothing at all)
        const char* json;  // in the JSON
        int progress;      // lines, the last naming its page
        bool stored;
    } ends[] = {
        {"a jam", L"10", L"jam:3", L"--feeder", 2, "vantrel-scan: The source stopped at page 3: paper jam (TWCC_PAPERJAM).\n",
         R"("status":2,"end":"failed","pages":2,)", 2, true},
        {"an empty feeder", L"0", L"", L"--feeder", 2, "vantrel-scan: The source could not start scanning: no media (TWCC_NOMEDIA).\n",
         R"("error":"The source could not start scanning: no media (TWCC_NOMEDIA).")", 0, false},
        {"a cancel before any page", L"5", L"cancel:1", L"--feeder", 1, "vantrel-scan: The scan was cancelled at page 1.\n",
         R"("status":1,"end":"cancelled","pages":0,)", 0, false},
        {"a cancel after two pages, quiet", L"5", L"cancel:3", L"--feeder -q", 0, "", R"("status":0,"end":"cancelled","pages":2,)", 0, true},
        {"a limit", L"6", L"", L"--feeder -n 2 -r 100 -m gray --paper A4", 0, "page 2: A4, 100 dpi, grey -> ",
         R"("status":0,"end":"limit reached","pages":2,)", 2, true},
        {"the flatbed's one page", L"6", L"", L"--flatbed", 0, "1 page stored in ", R"("pages":1,)", 1, true},
        {"a refused setting", L"6", L"", L"--flatbed -r 2400", 2, "vantrel-scan: The source refused ICAP_XRESOLUTION = 2400: ",
         R"(,"condition":10,"status":2})", 0, false},
    };
    int run = 0;
    for (const auto& end : ends) {
        SCOPED_TRACE(end.what);
        Set(L"VANTREL_SCANNER_SHEETS", end.sheets);
        Set(L"VANTREL_SCANNER_FAULT", end.fault);
        const std::wstring name = L"end-" + std::to_wstring(++run) + L".pdf";
        const Finished scanned = Scan(std::wstring(end.options) + L" --json -o " + Path(name));
        EXPECT_EQ(scanned.status, end.status) << scanned.err;
        if (*end.err) {
            EXPECT_NE(scanned.err.find(end.err), std::string::npos) << scanned.err;
        } else {
            EXPECT_EQ(scanned.err, "");
        }
        EXPECT_NE(scanned.out.find(end.json), std::string::npos) << scanned.out;
        EXPECT_EQ(Count(scanned.err, std::regex(R"(page \d+: .* -> )")), static_cast<std::size_t>(end.progress)) << scanned.err;
        if (end.progress) {
            EXPECT_NE(scanned.err.find("page " + std::to_string(end.progress) + ": "), std::string::npos) << scanned.err;
        }
        ASSERT_EQ(std::filesystem::exists(directory_ / name), end.stored);
        if (end.stored) {
            const std::string bytes = "\"bytes\":" + std::to_string(std::filesystem::file_size(directory_ / name)) + ",";
            EXPECT_NE(scanned.out.find(bytes), std::string::npos) << scanned.out;
        }
    }
}

// --transfer and --compression reach the scan: the scanner dumps each page it compressed, and with the
// scanner's Group 4 the progress lines still describe the pages.
TEST_F(VantrelScan, TransferAndCompressionReachTheScan) {
    Set(L"VANTREL_SCANNER_SHEETS", L"2");
    const struct {
        const wchar_t* options;
        std::size_t compressed;
    } cases[] = {{L"--transfer memory", 2}, {L"--transfer file --compression ours", 0}};
    int run = 0;
    for (const auto& c : cases) {
        const auto dump = directory_ / (L"dump-" + std::to_wstring(++run));
        std::filesystem::create_directories(dump);
        Set(L"VANTREL_SCANNER_DUMP", dump.wstring());
        const Finished scanned = Scan(std::wstring(c.options) + L" --feeder -m bw -r 100 -o " + Path(L"c.tif"));
        EXPECT_EQ(scanned.status, 0u) << scanned.err;
        EXPECT_EQ(Count(scanned.err, std::regex(R"(page \d+: 400 x 300 pixels, 100 dpi, black and white -> )")), 2u) << scanned.err;
        const auto files = std::filesystem::directory_iterator(dump);
        EXPECT_EQ(static_cast<std::size_t>(std::distance(std::filesystem::begin(files), std::filesystem::end(files))), c.compressed);
    }
}

// A source that enables and then never signals: after --timeout the program says why, disables and
// closes the source, and exits on its own with the failure status.
TEST_F(VantrelScan, ASilentSourceTimesOutAndIsClosed) {
    Set(L"VANTREL_SCANNER_QUIRKS", L"silent-ui");
    Set(L"VANTREL_SCANNER_LOG", (directory_ / L"silent.log").wstring());
    const auto began = std::chrono::steady_clock::now();
    const Finished run = Scan(L"--flatbed --timeout 2 --json -o " + Path(L"silent.pdf"));
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
    EXPECT_EQ(run.status, 2u) << run.err;
    EXPECT_NE(run.err.find("vantrel-scan: The source sent no page within 2 s. "), std::string::npos) << run.err;
    EXPECT_NE(run.out.find(R"("status":2,"end":"timed out","pages":0,)"), std::string::npos) << run.out;
    EXPECT_GE(waited.count(), 1950) << "not before the time asked for";
    EXPECT_LT(waited.count(), 60000);
    EXPECT_FALSE(std::filesystem::exists(directory_ / L"silent.pdf"));
    const std::string log = ReadText(directory_ / L"silent.log");
    const auto enabled = log.find("MSG_ENABLEDS");
    const auto disabled = log.find("MSG_DISABLEDS", enabled);
    ASSERT_NE(enabled, std::string::npos) << log;
    ASSERT_NE(disabled, std::string::npos) << log;
    EXPECT_NE(log.find("DAT_IDENTITY MSG_CLOSEDS", disabled), std::string::npos) << log;
}

TEST_F(VantrelScan, UnicodeFileNamesAreWrittenAndNamedInUtf8) {
    Set(L"VANTREL_SCANNER_SHEETS", L"1");
    const std::wstring name = L"\u00fcber-\u4e2d.tif";
    const Finished run = Scan(L"--feeder --json -o " + Path(name));
    EXPECT_EQ(run.status, 0u) << run.err;
    EXPECT_TRUE(std::filesystem::exists(directory_ / name));
    EXPECT_NE(run.out.find("\xC3\xBC" "ber-\xE4\xB8\xAD.tif"), std::string::npos) << run.out;
}

// One usage error stands for the parser's table (scan_arguments_test.cpp): status 2 and no scan.
TEST_F(VantrelScan, RefusedSettingsAndWrongUsageScanNothingAndFail) {
    Set(L"VANTREL_SCANNER_SHEETS", L"3");
    Set(L"VANTREL_SCANNER_LOG", (directory_ / L"scanner.log").wstring());
    const struct {
        std::wstring arguments;
        const char* words;
        const wchar_t* ownCleanup = L"";  // VANTREL_SCANNER_CLEANUP
    } cases[] = {
        {L"--feeder -m sepia -o " + Path(L"a.pdf"), "color, gray or bw"},
        {L"--feeder -o " + Path(L"a.gif"), "a.gif"},
        {L"-d \"No Such Scanner\" -o " + Path(L"a.pdf"), "No Such Scanner"},
        {L"--feeder --cap ICAP_BRIGHTNESS=5000 -o " + Path(L"a.pdf"), "ICAP_BRIGHTNESS"},
        // The scanner's own deskew insisted on, from a scanner without it.
        {L"--feeder --deskew --cleanup-by=source -o " + Path(L"a.pdf"), "does not offer ICAP_AUTOMATICDESKEW"},
        {L"--feeder --deskew --cleanup-by=source -o " + Path(L"a.pdf"), "refused ICAP_AUTOMATICDESKEW = TRUE", L"deskew,fixed"},
    };
    for (const auto& c : cases) {
        Set(L"VANTREL_SCANNER_CLEANUP", c.ownCleanup);
        const Finished run = Scan(c.arguments);
        EXPECT_EQ(run.status, 2u) << c.words;
        EXPECT_NE(run.err.find(c.words), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(directory_ / L"a.pdf"));
    }
    EXPECT_EQ(ReadText(directory_ / L"scanner.log").find("MSG_ENABLEDS"), std::string::npos) << "no batch was started";
}

// Which option gives what is scan_arguments_test.cpp's; here, that help and version print and succeed.
TEST_F(VantrelScan, HelpAndVersion) {
    const Finished help = Scan(L"--help");
    EXPECT_EQ(help.status, 0u);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos) << help.out;
    const Finished version = Scan(L"--version");
    EXPECT_EQ(version.status, 0u);
    EXPECT_TRUE(version.out.starts_with("vantrel-scan " VANTREL_VERSION_TEXT " (")) << "the product's version: " << version.out;
}

}  // namespace
