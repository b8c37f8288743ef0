// VantrelDemo.exe as a user meets it: started as its own process, read through its window and
// its message boxes, clicked with BM_CLICK, with the stand-in DSM scripted for that process.
#include "demo/layout.h"
#include "demo/window_dpi.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "win32/gdi_owners.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
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

// The shipped INI file's text for `key`: what the program must show.
std::wstring IniValue(const wchar_t* key) {
    wchar_t text[1024] = {};
    const DWORD n = ::GetPrivateProfileStringW(L"FormVantrelDemo", key, L"", text, 1024, (kBin / L"VantrelDemo.ini").c_str());
    return std::wstring(text, n);
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    return std::wstring(text, static_cast<std::size_t>(::GetWindowTextW(window, text, 1024)));
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

std::size_t EnablesIn(const std::vector<standin::Call>& calls) {
    std::size_t n = 0;
    for (const auto& call : calls) n += call.dat == DAT_USERINTERFACE && call.msg == MSG_ENABLEDS;
    return n;
}

// The window as the screen shows it (also where another process's window DC gives nothing),
// 0x00RRGGBB top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(POINT p) const { return pixels[static_cast<std::size_t>(p.y) * width + p.x] & 0xFFFFFF; }
};

Screenshot Capture(HWND window, const RECT& r) {
    Screenshot shot{r.right - r.left, r.bottom - r.top, {}};
    vantrel::WindowDc screen(nullptr);
    vantrel::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    vantrel::UniqueBitmap section(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits || !window) return shot;
    const vantrel::Selection selected(memory.get(), section.get());
    ::BitBlt(memory.get(), 0, 0, shot.width, shot.height, screen.get(), r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(first, first + static_cast<std::size_t>(shot.width) * shot.height);
    return shot;
}

// A 16 x 16 picture in pure red, which even a palette display shows exactly.
constexpr int kPictureSide = 16;
constexpr std::uint32_t kRed = 0xFF0000;

std::vector<std::uint8_t> RedDib() {
    const BITMAPINFOHEADER header{sizeof header, kPictureSide, kPictureSide, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> dib(sizeof header + kPictureSide * kPictureSide * 3, 0);
    std::memcpy(dib.data(), &header, sizeof header);
    for (std::size_t i = sizeof header; i < dib.size(); i += 3) dib[i + 2] = 0xFF;
    return dib;
}

std::wstring TempDir() {
    wchar_t path[MAX_PATH + 1] = {};
    return std::wstring(path, ::GetTempPathW(MAX_PATH + 1, path));
}

// The boxes the program showed so far, each with its text, its icon (Wine gives another process
// no way to tell a box's icon, so None passes there) and its owner (nullptr: any owner).
struct ExpectedBox {
    std::wstring text;
    BoxIcon icon;
    HWND owner;
    const wchar_t* caption = L"Vantrel Demo";
};
// The component's own box, shown by Initialize before anything else.
const ExpectedBox kInitializeBox{L"Initialize()", BoxIcon::None, nullptr, L"Vantrel"};

void ExpectBoxes(const std::vector<Box>& boxes, const std::vector<ExpectedBox>& expected) {
    ASSERT_EQ(boxes.size(), expected.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(boxes[i].seen.caption, expected[i].caption);
        EXPECT_EQ(boxes[i].seen.text, expected[i].text);
        if (boxes[i].seen.icon != BoxIcon::None || !fixtures::RunningUnderWine()) { EXPECT_EQ(boxes[i].seen.icon, expected[i].icon); }
        EXPECT_EQ(boxes[i].owner, expected[i].owner ? expected[i].owner : boxes[i].owner);
    }
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
    static inline bool registered_ = false;
    static inline bool registeredBefore_ = false;
};

TEST_F(DemoProgram, WhenTheDsmCannotBeOpenedItWarnsAndEndsWithoutAWindow) {
    DemoRun run(kBin / L"VantrelDemo.exe");
    run.dsm().Answer(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE);
    run.Start();
    EXPECT_EQ(run.WaitForExit(kStartTimeoutMs), std::optional<DWORD>(0));
    EXPECT_FALSE(run.WindowEverShown());
    ASSERT_GE(run.dsm().Attaches(), 1u) << "the stand-in DSM was not the one loaded";
    EXPECT_FALSE(IniValue(L"Const1").empty()) << "the shipped INI file has a Const1";
    ExpectBoxes(run.Boxes(), {kInitializeBox, {IniValue(L"Const1"), BoxIcon::Exclamation, nullptr}});
    ASSERT_EQ(run.dsm().Calls().size(), 1u) << "after a failed Create nothing more reaches the DSM";
}

TEST_F(DemoProgram, LoadsThenSelectsAcquiresSavesAndClosesDuringAnAcquisition) {
    DemoRun run(kBin / L"VantrelDemo.exe");
    run.Start();
    const HWND window = run.WaitForWindow();
    ASSERT_TRUE(window) << "no window; boxes seen: " << run.Boxes().size();
    std::vector<ExpectedBox> boxes{kInitializeBox};
    ExpectBoxes(run.Boxes(), boxes);

    // Load: caption, fixed border, centred, the design at the window's DPI and the INI file's captions.
    EXPECT_EQ(TextOf(window), L"Vantrel Demo - TWAIN 1.7");
    EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "fixed single border";
    RECT outer{};
    ::GetWindowRect(window, &outer);
    EXPECT_NEAR(outer.left + outer.right, ::GetSystemMetrics(SM_CXSCREEN), 1) << "centred across";
    EXPECT_NEAR(outer.top + outer.bottom, ::GetSystemMetrics(SM_CYSCREEN), 1) << "centred down";
    const int dpi = DpiOf(window);
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    ASSERT_EQ(children.size(), 4u);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlLayout& control = i == 0 ? kPictureLayout : kButtonLayouts[i - 1];
        SCOPED_TRACE(testing::Message() << "control " << control.id);
        EXPECT_EQ(::GetDlgCtrlID(children[i]), control.id);
        EXPECT_EQ(ClassOf(children[i]), i == 0 ? L"Static" : L"Button");
        if (i > 0) { EXPECT_EQ(TextOf(children[i]), IniValue(control.name)); }
        RECT r{};
        ::GetWindowRect(children[i], &r);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        const PixelRect expected = ToPixels(control.twips, dpi);
        EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::vector<LONG>{expected.left, expected.top, expected.width, expected.height}));
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
    boxes.push_back({IniValue(L"Const2"), BoxIcon::Information, window});
    ASSERT_TRUE(run.Settle(window));

    // Acquire to the clipboard: the picture appears at its own size.
    const auto dib = RedDib();
    run.dsm().HandOverImage(dib.data(), dib.size(), dib.size());
    run.dsm().script().events[0] = standin::Event{TWRC_DSEVENT, MSG_XFERREADY};
    run.dsm().RestartEvents(1);
    ::PostMessageW(children[2], BM_CLICK, 0, 0);
    const auto inPicture = [&](int x, int y) {
        POINT p{x, y};
        ::MapWindowPoints(children[0], nullptr, &p, 1);
        return POINT{p.x - outer.left, p.y - outer.top};
    };
    Screenshot shot;
    const bool shown = WaitFor([&] { return (shot = Capture(window, outer)).pixels.size() && shot.At(inPicture(2, 2)) == kRed; },
                               kStepTimeoutMs);
    EXPECT_TRUE(shown) << "no red picture in the picture box";
    EXPECT_NE(shot.At(inPicture(kPictureSide + 8, kPictureSide + 8)), kRed) << "the picture was stretched";
    ASSERT_TRUE(run.Settle(window));
    ExpectBoxes(run.Boxes(), boxes);  // a successful Acquire shows no box

    // Save: the path of the file in the temporary directory is reported.
    const fs::path saved = fs::path(TempDir()) / L"Test.bmp";
    fs::remove(saved);
    run.dsm().RestartEvents(1);
    ::PostMessageW(children[3], BM_CLICK, 0, 0);
    ASSERT_TRUE(run.WaitForBoxes(3));
    boxes.push_back({TempDir() + L"Test.bmp", BoxIcon::Information, window});
    EXPECT_TRUE(fs::exists(saved));
    fs::remove(saved);
    ASSERT_TRUE(run.Settle(window));

    // An acquisition that waits for the source: a second click is ignored...
    run.dsm().RestartEvents(0);
    const std::size_t enables = EnablesIn(run.dsm().Calls());
    ::PostMessageW(children[2], BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return EnablesIn(run.dsm().Calls()) > enables; }, kStepTimeoutMs));
    // Sent, not posted: it returns only after the demo has handled the click, box included.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(children[3], BM_CLICK, 0, 0, SMTO_NORMAL, kStepTimeoutMs, &ignored));
    ExpectBoxes(run.Boxes(), boxes);

    // ...and closing ends it through Destroy (the acquisition would wait on otherwise), without a
    // box and without a crash.
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(), std::optional<DWORD>(0));
    ExpectBoxes(run.Boxes(), boxes);
}

}  // namespace
}  // namespace demo
