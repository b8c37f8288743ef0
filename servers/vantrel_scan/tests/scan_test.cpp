// The Scanner with Wine's own DSM and the Vantrel Sample Scanner: sources, capabilities, scans into
// real files, the page event, refusals described the COM way, and handlers that call back.
#include "win32/com_apartment.h"
#include "tests/fixtures/message_box_watcher.h"
#include "servers/vantrel_scan/tests/scan_server.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"

#include <fstream>

namespace scan_tests {
namespace {

constexpr wchar_t kSample[] = L"Vantrel Sample Scanner";

std::string Head(const std::filesystem::path& path, std::size_t bytes) {
    std::ifstream file(path, std::ios::binary);
    std::string head(bytes, '\0');
    file.read(head.data(), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<std::size_t>(file.gcount()));
    return head;
}

class ScanTest : public ::testing::Test {
protected:
    ScanTest() {
        scanner = server.NewObject();
        EXPECT_TRUE(scanner);
    }

    // Scans into `name` below the test's directory; the status is the call's.
    HRESULT ScanInto(const std::wstring& name, LONG& pages) {
        auto path = vantrel::MakeBstr((directory / name).wstring());
        pages = -7;
        return scanner->Scan(path.get(), &pages);
    }

    // The class is for unattended use: no test may see a message box.
    void TearDown() override { EXPECT_TRUE(boxes.boxes().empty()) << "a message box was shown"; }

    fixtures::MessageBoxWatcher boxes;
    fixtures::ScopedEnvironment mode{L"VANTREL_SCANNER_MODE", L"gray"};
    fixtures::ScopedEnvironment size{L"VANTREL_SCANNER_SIZE", L"64x48"};
    fixtures::TestDirectory directory{L"scan-automation"};
    vantrel::ComApartment apartment;
    ScanServer server;
    ComPtr<IScanner> scanner;
};

// For Each and Item are the script clients'; a position past the end is refused with a description.
TEST_F(ScanTest, SourcesRefusesAPositionPastTheEnd) {
    ComPtr<IScannerSources> sources;
    ASSERT_EQ(scanner->get_Sources(sources.put()), S_OK);
    LONG count = 0;
    ASSERT_EQ(sources->get_Count(&count), S_OK);
    UniqueBstr beyond;
    EXPECT_EQ(sources->Item(count, beyond.put()), DISP_E_BADINDEX);
    EXPECT_NE(ErrorDescription().find(L"from 0 to Count - 1"), std::wstring::npos) << ErrorDescription();
}

// Answers the DSM's "Select Source" dialog (its list is control 1001) on this thread with `answer`.
class SelectSourceAnswer {
public:
    explicit SelectSourceAnswer(int answer) {
        answer_ = answer;
        hook_.reset(::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId()));
    }
    static inline int shown = 0;

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && ::GetDlgItem(window, 1001)) {
            ++shown;
            ::PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(answer_), 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline int answer_ = IDCANCEL;
    vantrel::UniqueHook hook_;
};

TEST_F(ScanTest, SelectSourceKeepsTheNameTheUserChose) {
    VARIANT_BOOL chosen = VARIANT_TRUE;
    {
        SelectSourceAnswer cancel(IDCANCEL);
        ASSERT_EQ(scanner->SelectSource(&chosen), S_OK) << ErrorDescription();
    }
    EXPECT_EQ(chosen, VARIANT_FALSE);
    UniqueBstr name;
    ASSERT_EQ(scanner->get_Source(name.put()), S_OK);
    EXPECT_EQ(Text(name.get()), L"") << "a cancelled choice changes nothing";
    {
        SelectSourceAnswer ok(IDOK);
        ASSERT_EQ(scanner->SelectSource(&chosen), S_OK) << ErrorDescription();
    }
    EXPECT_EQ(chosen, VARIANT_TRUE);
    ASSERT_EQ(scanner->get_Source(name.put()), S_OK);
    EXPECT_EQ(Text(name.get()), kSample) << "the first entry, which the dialog preselects";
    EXPECT_EQ(SelectSourceAnswer::shown, 2);
}

// Reading by name, CapabilityKind and CapabilityValues are the script clients'.
TEST_F(ScanTest, CapabilityReadsTheSourceAndThenWhatTheClientSet) {
    auto pixelType = vantrel::MakeBstr(L"ICAP_PIXELTYPE");
    UniqueVariant value;
    ASSERT_EQ(scanner->get_Capability(Str(pixelType.get()), value.put()), S_OK) << ErrorDescription();
    ASSERT_EQ(V_VT(value.get()), VT_I4);
    EXPECT_EQ(V_I4(value.get()), 1) << "TWPT_GRAY, as the sample scanner was told";
    ASSERT_EQ(scanner->get_Capability(Long(0x0101), value.put()), S_OK) << "by number";
    EXPECT_EQ(V_I4(value.get()), 1);

    auto rgb = vantrel::MakeBstr(L"TWPT_RGB");
    ASSERT_EQ(scanner->put_Capability(Str(pixelType.get()), Str(rgb.get())), S_OK);
    ASSERT_EQ(scanner->get_Capability(Str(pixelType.get()), value.put()), S_OK);
    EXPECT_EQ(V_I4(value.get()), 2) << "the value the next scan sets";

    auto lamp = vantrel::MakeBstr(L"ICAP_LAMPSTATE");
    UniqueVariant none;
    EXPECT_EQ(scanner->CapabilityValues(Str(lamp.get()), none.put()), kScanFailedStatus());
    const std::wstring description = ErrorDescription();
    EXPECT_NE(description.find(L"ICAP_LAMPSTATE"), std::wstring::npos) << description;
    EXPECT_NE(description.find(L"TWCC_"), std::wstring::npos) << description;
}

// The named settings reach the pages: A4 at 100 dpi in black and white, read from the PNG's header.
TEST_F(ScanTest, NamedSettingsReachThePages) {
    auto a4 = vantrel::MakeBstr(L"A4");
    auto bw = vantrel::MakeBstr(L"bw");
    ASSERT_EQ(scanner->put_PaperSize(a4.get()), S_OK);
    ASSERT_EQ(scanner->put_ColorMode(bw.get()), S_OK);
    ASSERT_EQ(scanner->put_Resolution(100), S_OK);
    LONG pages = 0;
    ASSERT_EQ(ScanInto(L"a4.png", pages), S_OK) << ErrorDescription();
    ASSERT_EQ(pages, 1);
    const std::string header = Head(directory / L"a4.png", 26);
    ASSERT_EQ(header.size(), 26u);
    const auto big = [&](std::size_t at) {
        return (std::uint32_t{static_cast<unsigned char>(header[at])} << 24) |
               (std::uint32_t{static_cast<unsigned char>(header[at + 1])} << 16) |
               (std::uint32_t{static_cast<unsigned char>(header[at + 2])} << 8) | static_cast<unsigned char>(header[at + 3]);
    };
    EXPECT_NEAR(big(16), 827, 2) << "8.27 inches at 100 dpi";
    EXPECT_NEAR(big(20), 1169, 2) << "11.69 inches at 100 dpi";
    EXPECT_EQ(header[24], 1) << "one bit per pixel";
}

// JpegQuality reaches the JPEG writer, and a window of the caller's may own the session.
TEST_F(ScanTest, JpegQualityAndAnOwnerWindowOfTheCallersAreUsed) {
    vantrel::UniqueWindow owner(::CreateWindowW(L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(owner);
    ASSERT_EQ(scanner->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner.get()))), S_OK);
    fixtures::ScopedEnvironment larger(L"VANTREL_SCANNER_SIZE", L"400x300");
    std::uintmax_t bytes[2] = {};
    const LONG qualities[2] = {10, 95};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(scanner->put_JpegQuality(qualities[i]), S_OK);
        LONG pages = 0;
        const std::wstring name = L"q" + std::to_wstring(qualities[i]) + L".jpg";
        ASSERT_EQ(ScanInto(name, pages), S_OK) << ErrorDescription();
        ASSERT_EQ(pages, 1);
        EXPECT_EQ(Head(directory / name, 2), "\xFF\xD8");
        bytes[i] = std::filesystem::file_size(directory / name);
    }
    EXPECT_LT(bytes[0], bytes[1]) << "quality 10 gives the smaller file";
}

// PdfA and the document's texts reach the files: the PDF/A identification and the texts, as UTF-8, in the PDF's
// XMP, and in the TIFF's fields. Their format is imaging's concern, read back there by independent tools.
TEST_F(ScanTest, PdfAAndTheDocumentsTextsReachTheFiles) {
    const std::pair<HRESULT (STDMETHODCALLTYPE IScanner::*)(BSTR), const wchar_t*> puts[] = {
        {&IScanner::put_PdfA, L"1B"},
        {&IScanner::put_Title, L"\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u6587\u66f8"},
        {&IScanner::put_Author, L"\u5c71\u7530"},
        {&IScanner::put_Subject, L"\u03a3\u03cd\u03bc\u03b2\u03b1\u03c3\u03b7"},
        {&IScanner::put_Keywords, L"k\u00e9y"}};
    for (const auto& [put, value] : puts) {
        auto text = vantrel::MakeBstr(value);
        ASSERT_EQ((scanner.get()->*put)(text.get()), S_OK);
    }
    LONG pages = 0;
    ASSERT_EQ(ScanInto(L"archive.pdf", pages), S_OK) << ErrorDescription();
    ASSERT_EQ(ScanInto(L"archive.tif", pages), S_OK) << ErrorDescription();
    const std::string pdf = Head(directory / L"archive.pdf", 1 << 20), tiff = Head(directory / L"archive.tif", 1 << 20);
    for (const char* part : {"<pdfaid:part>1</pdfaid:part>", "x-default\">\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u6587\u66f8<",
                             "<rdf:li>\u5c71\u7530<", "x-default\">\u03a3\u03cd\u03bc\u03b2\u03b1\u03c3\u03b7<", "<pdf:Keywords>k\u00e9y<"})
        EXPECT_NE(pdf.find(part), std::string::npos) << part;
    for (const char* field : {"\u0391\u03c1\u03c7\u03b5\u03af\u03bf \u6587\u66f8", "\u5c71\u7530", "\u03a3\u03cd\u03bc\u03b2\u03b1\u03c3\u03b7"})
        EXPECT_NE(tiff.find(std::string(field) + '\0'), std::string::npos) << field;
}

// TransferMode and Compression reach the scan: the scanner's JPEG is the .jpg file itself, byte for byte
// (it dumps what it sent); with "ours" it sends raw pixels and dumps nothing.
TEST_F(ScanTest, TransferModeAndCompressionReachTheScan) {
    const struct {
        const wchar_t* transfer;
        const wchar_t* compression;
        bool scannersBytes;
    } cases[] = {{L"memory", L"source", true}, {L"file", L"ours", false}};
    for (const auto& c : cases) {
        const std::filesystem::path dump = directory / (std::wstring(c.transfer) + L"-dump");
        std::filesystem::create_directories(dump);
        fixtures::ScopedEnvironment dumped(L"VANTREL_SCANNER_DUMP", dump.wstring());
        auto transfer = vantrel::MakeBstr(c.transfer);
        auto compression = vantrel::MakeBstr(c.compression);
        ASSERT_EQ(scanner->put_TransferMode(transfer.get()), S_OK);
        ASSERT_EQ(scanner->put_Compression(compression.get()), S_OK);
        LONG pages = 0;
        const std::wstring name = std::wstring(c.transfer) + L".jpg";
        ASSERT_EQ(ScanInto(name, pages), S_OK) << ErrorDescription();
        ASSERT_EQ(pages, 1);
        const std::string stored = Head(directory / name, 1 << 24);
        EXPECT_EQ(Head(dump / L"page-1.jpg", 1 << 24) == stored, c.scannersBytes) << stored.size() << " bytes";
        EXPECT_EQ(std::filesystem::is_empty(dump), !c.scannersBytes);
    }
}

struct Provoked {
    const char* what;
    std::function<void(IScanner*)> set;    // provokes it
    std::function<void(IScanner*)> reset;  // puts it right again
    std::wstring path;                     // relative to the test's directory
    std::vector<std::wstring> described;   // parts of the description
};

// An unknown source and a missing folder are the script clients'.
TEST_F(ScanTest, EveryRefusalIsDescribedAndTheNextScanWorks) {
    auto capability = [](const wchar_t* name, LONG value) {
        return [name, value](IScanner* s) {
            auto bstr = vantrel::MakeBstr(name);
            ASSERT_EQ(s->put_Capability(Str(bstr.get()), Long(value)), S_OK);
        };
    };
    const Provoked cases[] = {
        {"a capability the source refuses", capability(L"ICAP_BRIGHTNESS", 5000),
         [](IScanner* s) {
             auto bstr = vantrel::MakeBstr(L"ICAP_BRIGHTNESS");
             VARIANT empty;
             ::VariantInit(&empty);
             s->put_Capability(Str(bstr.get()), empty);
         },
         L"c.pdf",
         {L"ICAP_BRIGHTNESS", L"5000", L"TWCC_BADVALUE", L"(allowed: -1000 to 1000)."}},
        {"an owner that is no window", [](IScanner* s) { s->put_OwnerHwnd(0x7FFF0); },
         [](IScanner* s) { s->put_OwnerHwnd(0); }, L"d.pdf", {L"OwnerHwnd", L"not a window"}},
    };
    for (const Provoked& provoked : cases) {
        SCOPED_TRACE(provoked.what);
        provoked.set(scanner.get());
        LONG pages = 0;
        EXPECT_TRUE(FAILED(ScanInto(provoked.path, pages)));
        const std::wstring description = ErrorDescription();
        for (const std::wstring& part : provoked.described)
            EXPECT_NE(description.find(part), std::wstring::npos) << "\"" << part << "\" in " << description;
        EXPECT_EQ(pages, 0);
        LONG stored = 9;
        scanner->get_PagesScanned(&stored);
        EXPECT_EQ(stored, 0);
        provoked.reset(scanner.get());
        ASSERT_EQ(ScanInto(L"after.bmp", pages), S_OK) << ErrorDescription();
        EXPECT_EQ(pages, 1);
        std::filesystem::remove(directory / L"after.bmp");
    }
}

TEST_F(ScanTest, AHandlerCannotNestAScanAndMayReleaseTheScanner) {
    RecordingSink sink;
    HRESULT nested = S_OK;
    std::wstring nestedDescription;
    sink.onPage = [&](LONG) {
        LONG pages = 0;
        auto path = vantrel::MakeBstr((directory / L"nested.pdf").wstring());
        nested = scanner->Scan(path.get(), &pages);
        nestedDescription = ErrorDescription();
    };
    {
        Connection connection(scanner.get(), &sink);
        LONG pages = 0;
        ASSERT_EQ(ScanInto(L"outer.pdf", pages), S_OK) << ErrorDescription();
        EXPECT_EQ(pages, 1);
    }
    EXPECT_EQ(nested, kScanFailedStatus());
    EXPECT_NE(nestedDescription.find(L"already running"), std::wstring::npos) << nestedDescription;
    EXPECT_FALSE(std::filesystem::exists(directory / L"nested.pdf"));

    // The client lets go inside its handler: the scan ends, the file is complete, then the object goes.
    const auto canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    IScanner* held = scanner.detach();
    HRESULT unloadableInHandler = E_FAIL;
    RecordingSink releasing;
    DWORD cookie = 0;
    {
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(held->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(container->FindConnectionPoint(DIID_IScannerEvents, point.put()), S_OK);
        ASSERT_EQ(point->Advise(&releasing, &cookie), S_OK);
    }
    releasing.onPage = [&](LONG) {
        held->Release();
        unloadableInHandler = canUnloadNow();
    };
    auto path = vantrel::MakeBstr((directory / L"released.pdf").wstring());
    LONG pages = 0;
    EXPECT_EQ(held->Scan(path.get(), &pages), S_OK) << ErrorDescription();
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(unloadableInHandler, S_FALSE) << "the scanner lives while its Scan runs";
    EXPECT_EQ(canUnloadNow(), S_OK) << "and is gone once Scan returned";
    EXPECT_EQ(releasing.references, 0u) << "its connections went with it";
    EXPECT_EQ(Head(directory / L"released.pdf", 5), "%PDF-");
}

IScanner* g_stopped = nullptr;
void CALLBACK StopTheScan(HWND, UINT, UINT_PTR, DWORD) { g_stopped->Stop(); }

// Each way a batch ends, as the client sees it: the status, the description, PagesScanned, one
// PageScanned event per page saved with the file it went into, and the file only when a page was saved.
TEST_F(ScanTest, EachBatchEndHasItsStatusDescriptionAndPageCount) {
    // A source that never sends a page: after Timeout 1, or its dialog stuck until the caller's Stop.
    enum Silence { Talks, TimesOut, StuckUntilStop };
    ASSERT_EQ(scanner->put_Feeder(VARIANT_TRUE), S_OK);
    RecordingSink sink;
    Connection connection(scanner.get(), &sink);
    const std::wstring pdf = (directory / L"doc.pdf").wstring();
    struct End {
        const char* what;
        const wchar_t* sheets;
        const wchar_t* fault;
        LONG maxPages;
        bool quit;  // WM_QUIT arrives while the source's dialog waits
        Silence silence;
        HRESULT status;
        LONG saved;
        std::vector<std::wstring> described;
    };
    const End ends[] = {
        {"every sheet", L"4", L"", -1, false, Talks, S_OK, 4, {}},
        {"a limit of 3", L"10", L"", 3, false, Talks, S_OK, 3, {}},
        {"a jam", L"10", L"jam:7", -1, false, Talks, kScanFailedStatus(), 6,
         {L"page 7", L"TWCC_PAPERJAM", L"; pages 1 to 6 were saved in " + pdf + L"."}},
        {"a double feed", L"10", L"doublefeed:2", -1, false, Talks, kScanFailedStatus(), 1,
         {L"page 2", L"TWCC_PAPERDOUBLEFEED", L"; page 1 was saved in " + pdf + L"."}},
        {"an empty feeder", L"0", L"", -1, false, Talks, kScanFailedStatus(), 0, {L"The document feeder is empty"}},
        {"a cancel before any page", L"4", L"cancel:1", -1, false, Talks, S_OK, 0, {}},
        {"a cancel after two pages", L"4", L"cancel:3", -1, false, Talks, S_OK, 2, {}},
        {"a quit request", L"4", L"", -1, true, Talks, kScanFailedStatus(), 0, {L"asked to quit; no page was saved."}},
        {"a stuck dialog, stopped", L"4", L"", -1, false, StuckUntilStop, S_OK, 0, {}},
        {"a silent source (last: Timeout stays 1)", L"4", L"", -1, false, TimesOut, kScanFailedStatus(), 0,
         {L"The source sent no page within 1 s. ", L"; no page was saved."}},
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.what);
        sink.pages.clear();
        fixtures::ScopedEnvironment injected(L"VANTREL_SCANNER_FAULT", end.fault);
        fixtures::ScopedEnvironment loaded(L"VANTREL_SCANNER_SHEETS", end.sheets);
        fixtures::ScopedEnvironment quirks(L"VANTREL_SCANNER_QUIRKS", end.silence == Talks ? L"" : L"silent-ui");
        if (end.silence == TimesOut) {
            ASSERT_EQ(scanner->put_Timeout(1), S_OK);
        }
        g_stopped = scanner.get();
        vantrel::UniqueThreadTimer stop(end.silence == StuckUntilStop ? ::SetTimer(nullptr, 0, 300, &StopTheScan) : 0);
        ASSERT_EQ(scanner->put_MaxPages(end.maxPages), S_OK);
        ASSERT_EQ(scanner->put_ShowUI(end.quit || end.silence == StuckUntilStop ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        if (end.quit) ::PostQuitMessage(7);
        LONG pages = 0;
        EXPECT_EQ(ScanInto(L"doc.pdf", pages), end.status);
        const std::wstring description = ErrorDescription();
        for (const std::wstring& part : end.described)
            EXPECT_NE(description.find(part), std::wstring::npos) << "\"" << part << "\" in " << description;
        EXPECT_EQ(pages, end.saved);
        LONG stored = -1;
        ASSERT_EQ(scanner->get_PagesScanned(&stored), S_OK);
        EXPECT_EQ(stored, end.saved) << "PagesScanned keeps the pages of a failed scan";
        ASSERT_EQ(sink.pages.size(), static_cast<std::size_t>(end.saved));
        for (LONG page = 1; page <= end.saved; ++page)
            EXPECT_EQ(sink.pages[static_cast<std::size_t>(page - 1)], std::make_pair(page, pdf)) << "PageScanned names the file";
        EXPECT_EQ(std::filesystem::exists(pdf), end.saved > 0);
        MSG quit{};
        EXPECT_EQ(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, end.quit) << "posted again for the caller";
        std::filesystem::remove(pdf);
    }
}

// The caller's windows get their messages while the scan waits for the source, and a WM_QUIT that
// arrives between pages waits for the caller's loop.
LRESULT CALLBACK CountPosted(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 3) ++*reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ScanTest, TheCallersWindowsStayResponsiveAndWmQuitIsKept) {
    fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", L"4");
    ASSERT_EQ(scanner->put_Feeder(VARIANT_TRUE), S_OK);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountPosted;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VantrelScanCaller";
    ::RegisterClassW(&windowClass);
    vantrel::UniqueWindow window(::CreateWindowW(windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                                 nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(window);
    int delivered = 0;
    ::SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&delivered));
    int deliveredByPage1 = -1;
    RecordingSink sink;
    sink.onPage = [&](LONG page) {
        if (page == 1) deliveredByPage1 = delivered;
        if (page == 2) ::PostQuitMessage(42);
    };
    Connection connection(scanner.get(), &sink);
    ::PostMessageW(window.get(), WM_APP + 3, 0, 0);
    LONG pages = 0;
    ASSERT_EQ(ScanInto(L"between.tif", pages), S_OK) << ErrorDescription();
    EXPECT_EQ(pages, 4) << "a quit request between pages does not cut the batch";
    EXPECT_EQ(deliveredByPage1, 1) << "the window's message was dispatched while the scan waited";
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT is the caller's";
    EXPECT_EQ(quit.wParam, 42u);
}

}  // namespace
}  // namespace scan_tests
