// VantrelDemo.exe as a user meets it: started as its own process, read through its window and
// its message boxes, clicked with BM_CLICK, with the stand-in DSM scripted for that process.
#include "tests/fixtures/child_process.h"
#include "demo/layout.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "demo/window_dpi.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace demo {
namespace {

namespace fs = std::filesystem;
using fixtures::BoxIcon;
using fixtures::SeenBox;
using namespace vantrel::twain;

// Under qemu a Wine process takes about a minute to start.
constexpr DWORD kStartTimeoutMs = 600'000;
constexpr DWORD kStepTimeoutMs = 180'000;

const fs::path kBin = fixtures::ProgramDirectory();

std::wstring IniValue(const fs::path& ini, const wchar_t* key) {
    wchar_t text[1024] = {};
    const DWORD n = ::GetPrivateProfileStringW(L"FormVantrelDemo", key, L"", text, 1024, ini.c_str());
    return std::wstring(text, n);
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    const int n = ::GetWindowTextW(window, text, 1024);
    return std::wstring(text, n);
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        ::Sleep(100);
    }
    return true;
}

struct Box {
    SeenBox seen;
    HWND owner;
    HWND dialog;
};

// One run of a program: started suspended so its DSM script exists before anything loads, its
// message boxes answered with OK by a watcher thread that polls the process's top-level windows.
class DemoRun {
public:
    explicit DemoRun(const fs::path& program) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + program.wstring() + L"\"";
        const std::wstring directory = program.parent_path().wstring();
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                              directory.c_str(), &startup, &started))
            throw std::runtime_error("cannot start the demo");
        process_.reset(started.hProcess);
        thread_.reset(started.hThread);
        processId_ = started.dwProcessId;
        try {
            dsm_.emplace(processId_);
        } catch (...) {
            ::TerminateProcess(process_.get(), 1);
            throw;
        }
        watcher_ = std::thread([this] { Watch(); });
    }

    DemoRun(const DemoRun&) = delete;
    DemoRun& operator=(const DemoRun&) = delete;

    ~DemoRun() {
        if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 30'000);
        stop_ = true;
        watcher_.join();
    }

    standin::StandInDsm& dsm() { return *dsm_; }
    void Start() { ::ResumeThread(thread_.get()); }

    HWND WaitForWindow() {
        HWND found = nullptr;
        WaitFor([&] { return (found = window_.load()) != nullptr || Exited(); }, kStartTimeoutMs);
        return found;
    }
    bool WaitForBoxes(std::size_t count) {
        return WaitFor([&] { return Boxes().size() >= count; }, kStepTimeoutMs);
    }
    std::vector<Box> Boxes() const {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    bool WindowEverShown() const { return window_.load() != nullptr; }

    // Waits until every box has closed and the click that showed it has been handled: a click
    // posted earlier would arrive while the last one still runs, and be ignored.
    bool Settle(HWND window) {
        const bool closed = WaitFor(
            [&] {
                for (const Box& box : Boxes())
                    if (::IsWindow(box.dialog)) return false;
                return true;
            },
            kStepTimeoutMs);
        DWORD_PTR ignored = 0;
        return closed && ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored);
    }

    bool Exited() const { return ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = kStepTimeoutMs) {
        if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        ::GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    void Watch() {
        while (!stop_) {
            ::EnumWindows(&DemoRun::Visit, reinterpret_cast<LPARAM>(this));
            ::Sleep(100);
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        auto& run = *reinterpret_cast<DemoRun*>(self);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        if (pid != run.processId_ || !::IsWindowVisible(window)) return TRUE;
        if (ClassOf(window) == L"FormVantrelDemo") run.window_ = window;
        if (!fixtures::IsMessageBox(window)) return TRUE;
        if (run.answered_.insert(window).second) {
            std::lock_guard lock(run.mutex_);
            run.boxes_.push_back({fixtures::MessageBoxWatcher::Read(window), ::GetWindow(window, GW_OWNER), window});
        }
        ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    vantrel::UniqueKernelObject process_;
    vantrel::UniqueKernelObject thread_;
    DWORD processId_ = 0;
    std::optional<standin::StandInDsm> dsm_;  // the script of the stand-in the program loads
    std::thread watcher_;
    std::atomic<bool> stop_{false};
    std::atomic<HWND> window_{nullptr};
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
    std::set<HWND> answered_;
};

std::size_t CountOf(const std::vector<standin::Call>& calls, TW_UINT16 dat, TW_UINT16 msg) {
    std::size_t n = 0;
    for (const auto& call : calls) n += call.dg == DG_CONTROL && call.dat == dat && call.msg == msg;
    return n;
}

// The window's pixels as the screen shows them, 0x00RRGGBB, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(POINT p) const { return pixels[static_cast<std::size_t>(p.y) * width + p.x] & 0xFFFFFF; }
};

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

Screenshot Capture(HWND window) {
    Screenshot shot;
    RECT r{};
    ::GetWindowRect(window, &r);
    shot.width = r.right - r.left;
    shot.height = r.bottom - r.top;
    // From the screen: what the user sees, also where another process's window DC gives nothing.
    HDC source = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(source);
    BITMAPINFO info = TopDown32(shot.width, shot.height);
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section && bits) {
        HGDIOBJ old = ::SelectObject(memory, section);
        ::BitBlt(memory, 0, 0, shot.width, shot.height, source, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const auto* first = static_cast<const std::uint32_t*>(bits);
        shot.pixels.assign(first, first + static_cast<std::size_t>(shot.width) * shot.height);
        ::SelectObject(memory, old);
    }
    if (section) ::DeleteObject(section);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, source);
    return shot;
}

bool SaveBmp(const Screenshot& shot, const fs::path& file) {
    const BITMAPINFO info = TopDown32(shot.width, shot.height);
    const DWORD pixelBytes = static_cast<DWORD>(shot.pixels.size() * 4);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + pixelBytes;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    // GDI leaves the fourth byte 0; viewers that read it as alpha would show nothing but white.
    std::vector<std::uint32_t> opaque(shot.pixels);
    for (auto& pixel : opaque) pixel |= 0xFF000000u;
    out.write(reinterpret_cast<const char*>(opaque.data()), pixelBytes);
    return static_cast<bool>(out);
}

// A point of a child's client area in the coordinates of the top-level window's screenshot.
POINT InWindow(HWND top, HWND child, int x, int y) {
    POINT p{x, y};
    ::MapWindowPoints(child, nullptr, &p, 1);
    RECT r{};
    ::GetWindowRect(top, &r);
    return {p.x - r.left, p.y - r.top};
}

// A child's rectangle in its parent's client coordinates.
RECT InParent(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// A 16 x 16 picture in pure red, which even a palette display shows exactly.
constexpr int kPictureSide = 16;
constexpr std::uint32_t kRed = 0xFF0000;

std::vector<std::uint8_t> RedDib() {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kPictureSide;
    header.biHeight = kPictureSide;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::vector<std::uint8_t> dib(sizeof header + kPictureSide * kPictureSide * 3, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    for (std::size_t i = sizeof header; i < dib.size(); i += 3) dib[i + 2] = 0xFF;
    return dib;
}

std::vector<std::uint8_t> ClipboardDib(std::size_t bytes) {
    std::vector<std::uint8_t> copy;
    vantrel::OpenClipboardSession clipboard(nullptr);
    if (!clipboard) return copy;
    HANDLE block = ::GetClipboardData(CF_DIB);
    vantrel::GlobalLock<std::uint8_t> data(static_cast<HGLOBAL>(block));
    if (data && ::GlobalSize(block) >= bytes) copy.assign(data.get(), data.get() + bytes);
    return copy;
}

std::wstring TempDir() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, n);
}

void ExpectBox(const Box& box, HWND owner, const std::wstring& text, BoxIcon icon) {
    EXPECT_EQ(box.seen.caption, L"Vantrel Demo");
    EXPECT_EQ(box.seen.text, text);
    // Wine gives another process no way to tell a box's icon; in-process boxes are checked elsewhere.
    if (box.seen.icon != BoxIcon::None || !fixtures::RunningUnderWine()) {
        EXPECT_EQ(box.seen.icon, icon);
    }
    if (owner) EXPECT_EQ(box.owner, owner);
    else EXPECT_NE(box.owner, nullptr);
}

void ExpectInitializeBoxFirst(const std::vector<Box>& boxes) {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].seen.text, L"Initialize()");
}

class DemoProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Children must load the stand-in beside them, not Wine's own DSM.
        wchar_t overrides[1024] = {};
        ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
        if (!std::wcsstr(overrides, L"twain_32"))
            ::SetEnvironmentVariableW(L"WINEDLLOVERRIDES", (std::wstring(L"twain_32=n;") + overrides).c_str());
        // Other tests running at the same time may rely on the registration they found: leave it
        // as it was, and remove only what this suite added.
        CLSID clsid{};
        registeredBefore_ = ::CLSIDFromProgID(L"Vantrel.TWAIN", &clsid) == S_OK;
        registered_ = fixtures::RunAndWait(L"regsvr32 /s \"" + Dll() + L"\"") == 0;
    }
    static void TearDownTestSuite() {
        if (registered_ && !registeredBefore_) fixtures::RunAndWait(L"regsvr32 /u /s \"" + Dll() + L"\"");
    }
    void SetUp() override { ASSERT_TRUE(registered_) << "regsvr32 could not register " << fs::path(Dll()).string(); }

    static std::wstring Dll() { return (kBin / L"Vantrel.dll").wstring(); }

    static bool registered_;
    static bool registeredBefore_;
};

bool DemoProgram::registered_ = false;
bool DemoProgram::registeredBefore_ = false;

TEST_F(DemoProgram, WhenTheDsmCannotBeOpenedItWarnsAndEndsWithoutAWindow) {
    DemoRun run(kBin / L"VantrelDemo.exe");
    run.dsm().Answer(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE);
    run.Start();

    EXPECT_EQ(run.WaitForExit(kStartTimeoutMs), std::optional<DWORD>(0));
    EXPECT_FALSE(run.WindowEverShown());
    EXPECT_GE(run.dsm().Attaches(), 1u) << "the stand-in DSM was not the one loaded";
    const auto boxes = run.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    ExpectInitializeBoxFirst(boxes);
    ExpectBox(boxes[1], nullptr, IniValue(kBin / L"VantrelDemo.ini", L"Const1"), BoxIcon::Exclamation);
    EXPECT_FALSE(boxes[1].seen.text.empty()) << "the shipped INI file has a Const1";
    const auto calls = run.dsm().Calls();
    ASSERT_EQ(calls.size(), 1u) << "after a failed Create nothing more reaches the DSM";
    EXPECT_EQ(calls[0].msg, MSG_OPENDSM);
}

TEST_F(DemoProgram, LoadsThenSelectsAcquiresSavesAndClosesDuringAnAcquisition) {
    const fs::path ini = kBin / L"VantrelDemo.ini";
    DemoRun run(kBin / L"VantrelDemo.exe");
    run.Start();
    const HWND window = run.WaitForWindow();
    ASSERT_TRUE(window) << "no window; boxes seen: " << run.Boxes().size();
    ExpectInitializeBoxFirst(run.Boxes());
    ASSERT_EQ(run.Boxes().size(), 1u);

    // Load: caption, geometry and captions from the INI file.
    EXPECT_EQ(TextOf(window), L"Vantrel Demo - TWAIN 1.7");
    const int dpi = DpiOf(window);
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));
    RECT outer{};
    ::GetWindowRect(window, &outer);
    EXPECT_NEAR(outer.left + outer.right, ::GetSystemMetrics(SM_CXSCREEN), 1) << "centred across";
    EXPECT_NEAR(outer.top + outer.bottom, ::GetSystemMetrics(SM_CYSCREEN), 1) << "centred down";
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "fixed single border";

    const auto children = Children(window);
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(ClassOf(children[0]), L"Static");
    const PixelRect picture = ToPixels(kPictureLayout.twips, dpi);
    const RECT pictureRect = InParent(children[0]);
    EXPECT_EQ(pictureRect.left, picture.left);
    EXPECT_EQ(pictureRect.top, picture.top);
    EXPECT_EQ(pictureRect.right - pictureRect.left, picture.width);
    EXPECT_EQ(pictureRect.bottom - pictureRect.top, picture.height);
    for (std::size_t i = 0; i < std::size(kButtonLayouts); ++i) {
        const ControlLayout& button = kButtonLayouts[i];
        const HWND control = children[i + 1];
        EXPECT_EQ(ClassOf(control), L"Button");
        EXPECT_EQ(::GetDlgCtrlID(control), button.id);
        EXPECT_EQ(TextOf(control), IniValue(ini, button.name));
        const PixelRect expected = ToPixels(button.twips, dpi);
        const RECT r = InParent(control);
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.right - r.left, expected.width);
        EXPECT_EQ(r.bottom - r.top, expected.height);
    }

    // The component was told the application and the owner before Create.
    ASSERT_GE(run.dsm().Attaches(), 1u) << "the stand-in DSM was not the one loaded";
    const auto opened = run.dsm().Calls();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened[0].msg, MSG_OPENDSM);
    EXPECT_STREQ(opened[0].origin.ProductName, "Vantrel Demo");
    std::uint32_t parent = 0;
    std::memcpy(&parent, opened[0].data, sizeof parent);
    EXPECT_EQ(parent, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));

    // Select Source: the stand-in's selection succeeds.
    ::PostMessageW(children[1], BM_CLICK, 0, 0);
    ASSERT_TRUE(run.WaitForBoxes(2));
    ExpectBox(run.Boxes()[1], window, IniValue(ini, L"Const2"), BoxIcon::Information);
    ASSERT_TRUE(run.Settle(window));

    // Acquire to the clipboard: the picture appears at its own size, and the clipboard keeps it.
    const auto dib = RedDib();
    run.dsm().HandOverImage(dib.data(), dib.size(), dib.size());
    run.dsm().script().events[0] = standin::Event{TWRC_DSEVENT, MSG_XFERREADY};
    run.dsm().RestartEvents(1);
    ::PostMessageW(children[2], BM_CLICK, 0, 0);
    const POINT inside = InWindow(window, children[0], 2, 2);
    const POINT beyond = InWindow(window, children[0], kPictureSide + 8, kPictureSide + 8);
    Screenshot shot;
    const bool shown = WaitFor([&] { return (shot = Capture(window)).pixels.size() && shot.At(inside) == kRed; },
                               kStepTimeoutMs);
    const fs::path artefacts = kBin.parent_path() / L"demo";
    fs::create_directories(artefacts);
    EXPECT_TRUE(SaveBmp(shot, artefacts / L"VantrelDemo-window.bmp"));
    EXPECT_TRUE(shown) << "no red picture in the picture box";
    EXPECT_NE(shot.At(beyond), kRed) << "the picture was stretched";
    EXPECT_EQ(ClipboardDib(dib.size()), dib) << "the clipboard still holds the acquired picture";
    EXPECT_EQ(run.Boxes().size(), 2u) << "a successful Acquire shows no box";
    ASSERT_TRUE(run.Settle(window));

    // Save: the path of the file in the temporary directory is reported.
    const fs::path saved = fs::path(TempDir()) / L"Test.bmp";
    fs::remove(saved);
    run.dsm().RestartEvents(1);
    ::PostMessageW(children[3], BM_CLICK, 0, 0);
    ASSERT_TRUE(run.WaitForBoxes(3));
    ExpectBox(run.Boxes()[2], window, TempDir() + L"Test.bmp", BoxIcon::Information);
    std::ifstream file(saved, std::ios::binary);
    char magic[2] = {};
    file.read(magic, 2);
    EXPECT_TRUE(magic[0] == 'B' && magic[1] == 'M') << "no BMP at " << saved.string();
    file.close();
    fs::remove(saved);
    ASSERT_TRUE(run.Settle(window));

    // An acquisition that waits for the source: a second click is ignored...
    run.dsm().RestartEvents(0);
    const std::size_t enables = CountOf(run.dsm().Calls(), DAT_USERINTERFACE, MSG_ENABLEDS);
    ::PostMessageW(children[2], BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return CountOf(run.dsm().Calls(), DAT_USERINTERFACE, MSG_ENABLEDS) > enables; },
                        kStepTimeoutMs));
    // Sent, not posted: it returns only after the demo has handled the click, box included.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(children[3], BM_CLICK, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored));
    EXPECT_EQ(run.Boxes().size(), 3u) << "a click during an acquisition started another command";

    // ...and closing ends it through Destroy, without a box and without a crash.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(run.Boxes().size(), 3u);
    const auto calls = run.dsm().Calls();
    std::vector<TW_UINT16> after;
    bool seenEnable = false;
    for (const auto& call : calls) {
        if (call.dat == DAT_USERINTERFACE && call.msg == MSG_ENABLEDS) {
            seenEnable = true;
            after.clear();
        } else if (seenEnable && call.dat != DAT_EVENT) {
            after.push_back(call.msg);
        }
    }
    EXPECT_EQ(after, (std::vector<TW_UINT16>{MSG_DISABLEDS, MSG_CLOSEDS, MSG_CLOSEDSM}));
}

}  // namespace
}  // namespace demo
