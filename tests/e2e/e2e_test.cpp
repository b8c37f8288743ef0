// Vantrel.TWAIN end to end: registered Vantrel.dll, Wine's own DSM, and the Vantrel Sample Scanner.
#include "Vantrel_h.h"
#include "tests/fixtures/child_process.h"
#include "win32/com_apartment.h"
#include "tests/fixtures/loaded_server.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

// Answers the dialog with the given caption (the DSM's "Select Source", the scanner's own) on this thread.
class DialogAnswer {
public:
    DialogAnswer(std::wstring caption, WORD command) {
        t_caption = std::move(caption);
        t_command = command;
        t_seen = 0;
        hook_ = ::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId());
    }
    ~DialogAnswer() { ::UnhookWindowsHookEx(hook_); }
    int seen() const { return t_seen; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE) {
            const auto window = reinterpret_cast<HWND>(wParam);
            wchar_t text[128] = {};
            ::GetWindowTextW(window, text, 128);
            if (t_caption == text) {
                ++t_seen;
                ::PostMessageW(window, WM_COMMAND, t_command, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local std::wstring t_caption;
    static inline thread_local WORD t_command = IDOK;
    static inline thread_local int t_seen = 0;
    HHOOK hook_ = nullptr;
};

struct BmpFacts {
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    int bits = 0;
};

BmpFacts ReadBmp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    BmpFacts facts;
    facts.size = bytes.size();
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return facts;
    std::memcpy(&facts.width, bytes.data() + 18, 4);
    std::memcpy(&facts.height, bytes.data() + 22, 4);
    std::uint16_t bits = 0;
    std::memcpy(&bits, bytes.data() + 28, 2);
    facts.bits = bits;
    return facts;
}

std::vector<std::string> LogLines(const fs::path& log) {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        log = directory / L"scanner.log";
        environment.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_LOG", log.wstring()));
        environment.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_SIZE", L"64x48"));
        environment.emplace_back(std::make_unique<fixtures::ScopedEnvironment>(L"VANTREL_SCANNER_MODE", L"color"));

        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelEndToEndOwner";
        ::RegisterClassW(&wc);
        owner = ::CreateWindowW(wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                wc.hInstance, nullptr);

        ASSERT_EQ(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_INPROC_SERVER, IID__TWAIN, twain.put_void()), S_OK)
            << "Vantrel.dll is registered for this run";
        ASSERT_EQ(twain->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<std::uintptr_t>(owner))), S_OK);
        VARIANT_BOOL created = VARIANT_FALSE;
        ASSERT_EQ(twain->Create(&created), S_OK);
        ASSERT_EQ(created, VARIANT_TRUE) << "Wine's DSM opens";
    }

    void TearDown() override {
        if (twain) twain->Destroy();
        twain.reset();
        ::DestroyWindow(owner);
        environment.clear();
    }

    short Acquire(const std::wstring& file) {
        UniqueBstr name(file.empty() ? nullptr : ::SysAllocString(file.c_str()));
        short result = 99;
        EXPECT_EQ(twain->Acquire(name.get(), &result), S_OK);
        return result;
    }

    short SelectSource(WORD answer) {
        DialogAnswer dialog(L"Select Source", answer);
        short result = 99;
        EXPECT_EQ(twain->SelectSource(&result), S_OK);
        EXPECT_EQ(dialog.seen(), 1) << "the DSM's own dialog was shown";
        return result;
    }

    vantrel::ComApartment apartment;
    fixtures::MessageBoxWatcher boxes;
    const fixtures::TestDirectory scratch{L"e2e"};
    const fs::path directory = scratch.path();
    fs::path log;
    std::vector<std::unique_ptr<fixtures::ScopedEnvironment>> environment;
    HWND owner = nullptr;
    ComPtr<_TWAIN> twain;
};

TEST_F(EndToEnd, SelectSourceInTheDsmsDialog) {
    EXPECT_EQ(SelectSource(IDCANCEL), 0);
    EXPECT_EQ(SelectSource(IDOK), 1);
    twain->put_Interface(VARIANT_FALSE);
    EXPECT_EQ(Acquire((directory / L"chosen.bmp").wstring()), 1) << "the chosen source acquires";
}

TEST_F(EndToEnd, FullAcquisitionFollowsTheProtocolExactly) {
    ASSERT_EQ(SelectSource(IDOK), 1);
    twain->put_Interface(VARIANT_FALSE);
    const fs::path file = directory / L"scan.bmp";
    ASSERT_EQ(Acquire(file.wstring()), 1);
    const BmpFacts bmp = ReadBmp(file);
    EXPECT_EQ(bmp.width, 64);
    EXPECT_EQ(bmp.height, 48);
    EXPECT_EQ(bmp.bits, 24);
    EXPECT_EQ(bmp.size, 54u + 64u * 3u * 48u);

    // The source's own record of what it was asked, apart from the DSM's identity look-ups and the events.
    std::vector<std::string> asked;
    for (const std::string& line : LogLines(log)) {
        EXPECT_EQ(line.find("SEQERROR"), std::string::npos) << line;
        if (line.find("MSG_PROCESSEVENT") != std::string::npos || line.find(" MSG_GET 3->3") != std::string::npos) continue;
        asked.push_back(line.substr(0, line.find(' ', line.find(' ', line.find(' ') + 1) + 1)));
    }
    const std::vector<std::string> expected = {
        "DG_CONTROL DAT_IDENTITY MSG_OPENDS",        "DG_CONTROL DAT_CAPABILITY MSG_SET",
        "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS", "DG_IMAGE DAT_IMAGEINFO MSG_GET",
        "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET",      "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER",
        "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS", "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS"};
    EXPECT_EQ(asked, expected);
}

TEST_F(EndToEnd, EveryDepthToAFileAndToTheClipboard) {
    twain->put_Interface(VARIANT_FALSE);
    const struct {
        const wchar_t* mode;
        int bits;
        VARIANT_BOOL progress;
    } modes[] = {{L"color", 24, VARIANT_TRUE}, {L"gray", 8, VARIANT_FALSE}, {L"bw", 1, VARIANT_TRUE}};
    for (const auto& m : modes) {
        ::SetEnvironmentVariableW(L"VANTREL_SCANNER_MODE", m.mode);
        twain->put_ProgressDialog(m.progress);
        const fs::path file = directory / (std::wstring(m.mode) + L".bmp");
        ASSERT_EQ(Acquire(file.wstring()), 1) << m.bits;
        EXPECT_EQ(ReadBmp(file).bits, m.bits);

        ASSERT_EQ(Acquire(L""), 1) << m.bits;
        vantrel::OpenClipboardSession clipboard(nullptr);
        ASSERT_TRUE(clipboard);
        vantrel::GlobalLock<const BITMAPINFOHEADER> header(::GetClipboardData(CF_DIB));
        ASSERT_TRUE(header);
        EXPECT_EQ(header->biBitCount, m.bits);
        EXPECT_EQ(header->biWidth, 64);
    }
}

TEST_F(EndToEnd, UserCancelsInTheScannersDialog) {
    twain->put_Interface(VARIANT_TRUE);
    DialogAnswer dialog(L"Vantrel Sample Scanner", IDCANCEL);
    EXPECT_EQ(Acquire((directory / L"cancelled.bmp").wstring()), 0);
    EXPECT_EQ(dialog.seen(), 1);
    EXPECT_FALSE(fs::exists(directory / L"cancelled.bmp"));
}

TEST_F(EndToEnd, ScanButtonInTheScannersDialog) {
    twain->put_Interface(VARIANT_TRUE);
    DialogAnswer dialog(L"Vantrel Sample Scanner", 1 /* Scan */);
    EXPECT_EQ(Acquire((directory / L"scanned.bmp").wstring()), 1);
    EXPECT_EQ(dialog.seen(), 1);
}

TEST_F(EndToEnd, TwentyInARowThenDestroyAndCreateAgain) {
    twain->put_Interface(VARIANT_FALSE);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Acquire((directory / L"row.bmp").wstring()), 1) << "acquisition " << i;
    std::size_t opens = 0, closes = 0;
    for (const std::string& line : LogLines(log)) {
        EXPECT_EQ(line.find("SEQERROR"), std::string::npos) << line;
        opens += line.find("MSG_OPENDS ") != std::string::npos;
        closes += line.find("MSG_CLOSEDS ") != std::string::npos;
    }
    EXPECT_EQ(opens, 20u);
    EXPECT_EQ(closes, 20u) << "each acquisition leaves the source closed";

    twain->Destroy();
    VARIANT_BOOL created = VARIANT_FALSE;
    ASSERT_EQ(twain->Create(&created), S_OK);
    EXPECT_EQ(created, VARIANT_TRUE);
    EXPECT_EQ(Acquire((directory / L"again.bmp").wstring()), 1);
}

}  // namespace
