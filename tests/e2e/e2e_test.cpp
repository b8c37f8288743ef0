// Vantrel.TWAIN end to end: registered Vantrel.dll, Wine's own DSM, and the Vantrel Sample Scanner.
#include "Vantrel_h.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/com_apartment.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

// Answers the dialog with the given caption (the DSM's "Select Source") on this thread.
class DialogAnswer {
public:
    DialogAnswer(std::wstring caption, WORD command) {
        t_caption = std::move(caption);
        t_command = command;
        t_seen = 0;
    }
    int seen() const { return t_seen; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam) {
        wchar_t text[128] = {};
        if (code == HCBT_ACTIVATE && ::GetWindowTextW(reinterpret_cast<HWND>(wParam), text, 128) && t_caption == text) {
            ++t_seen;
            ::PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, t_command, 0);
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline thread_local std::wstring t_caption;
    static inline thread_local WORD t_command = IDOK;
    static inline thread_local int t_seen = 0;
    const vantrel::UniqueHook hook_{::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId())};
};

// The scanner's record of what it was asked, one request a line; no request may break the state order.
std::vector<std::string> LogLines(const fs::path& log) {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        EXPECT_EQ(line.find("SEQERROR"), std::string::npos) << line;
        lines.push_back(line);
    }
    return lines;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        owner.reset(::CreateWindowW(L"STATIC", L"owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
        ASSERT_EQ(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_INPROC_SERVER, IID__TWAIN, twain.put_void()), S_OK)
            << "Vantrel.dll is registered for this run";
        ASSERT_EQ(twain->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<std::uintptr_t>(owner.get()))), S_OK);
        Create();
    }

    void TearDown() override {
        if (twain) twain->Destroy();
    }

    void Create() {
        VARIANT_BOOL created = VARIANT_FALSE;
        ASSERT_EQ(twain->Create(&created), S_OK);
        ASSERT_EQ(created, VARIANT_TRUE) << "Wine's DSM opens";
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
    const fs::path log = directory / L"scanner.log";
    fixtures::ScopedEnvironment logged{L"VANTREL_SCANNER_LOG", log.wstring()};
    fixtures::ScopedEnvironment size{L"VANTREL_SCANNER_SIZE", L"64x48"};
    fixtures::ScopedEnvironment mode{L"VANTREL_SCANNER_MODE", L"color"};
    vantrel::UniqueWindow owner;
    ComPtr<_TWAIN> twain;
};

TEST_F(EndToEnd, TheSourceChosenInTheDsmsDialogAcquiresFollowingTheProtocolExactly) {
    EXPECT_EQ(SelectSource(IDCANCEL), 0);
    ASSERT_EQ(SelectSource(IDOK), 1);
    twain->put_Interface(VARIANT_FALSE);
    const fs::path file = directory / L"scan.bmp";
    ASSERT_EQ(Acquire(file.wstring()), 1);
    std::error_code missing;
    EXPECT_EQ(fs::file_size(file, missing), 54u + 64u * 3u * 48u) << "the scanner's 64 x 48 colour page as a .bmp";

    // Apart from the DSM's identity look-ups and the events.
    std::vector<std::string> asked;
    for (const std::string& line : LogLines(log)) {
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

}  // namespace
