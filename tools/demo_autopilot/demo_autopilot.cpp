// Drives VantrelDemo.exe through its own buttons where no person is at the screen: Select Source,
// Save, then Acquire, answering every dialog as a user would. Prints the path of the BMP written
// and saves a picture of the screen with the demo's window in it.
// Usage: demo_autopilot VantrelDemo.exe SCREENSHOT.bmp
#include "tests/fixtures/child_process.h"
#include "win32/gdi_owners.h"
#include "demo/layout.h"
#include "tests/fixtures/message_box_watcher.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// The demo's own button ids.
constexpr int kSelectSource = demo::CommandSelectsource;
constexpr int kAcquire = demo::CommandAcquire;
constexpr int kSave = demo::CommandSave;

struct Autopilot {
    DWORD demoProcess = 0;
    std::vector<fixtures::SeenBox> boxes;
    std::set<HWND> answered;
};

// Answers whatever the demo's process shows: message boxes with OK, the DSM's "Select Source"
// with OK (the first source), the sample scanner's dialog with Scan.
BOOL CALLBACK Answer(HWND window, LPARAM context) {
    auto& pilot = *reinterpret_cast<Autopilot*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != pilot.demoProcess || !::IsWindowVisible(window) || pilot.answered.count(window)) return TRUE;
    wchar_t caption[128] = {};
    ::GetWindowTextW(window, caption, 128);
    const std::wstring title = caption;
    if (fixtures::IsMessageBox(window)) {
        pilot.boxes.push_back(fixtures::MessageBoxWatcher::Read(window));
    } else if (title != L"Select Source" && title != L"Vantrel Sample Scanner") {
        return TRUE;
    }
    pilot.answered.insert(window);
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);  // OK, and the scanner's Scan button
    return TRUE;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchDemoWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner != search.process || std::wstring(name) != L"FormVantrelDemo" || !::IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND FindDemoWindow(DWORD process) {
    WindowSearch search{process, nullptr};
    ::EnumWindows(&MatchDemoWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool SaveScreen(const std::wstring& file) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    vantrel::WindowDc screen(nullptr);
    vantrel::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    vantrel::UniqueBitmap picture(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!screen || !memory || !picture || !bits) return false;
    {
        vantrel::Selection selected(memory.get(), picture.get());
        ::BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
    }
    const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD pixels = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + pixels), 0, 0,
                            sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), pixels);
    return static_cast<bool>(out);
}

// Clicks a button of the demo and answers its dialogs until it has shown `boxesExpected` message
// boxes in all (each command ends with one), or a minute has passed.
void Click(Autopilot& pilot, HWND demo, int button, std::size_t boxesExpected) {
    ::PostMessageW(::GetDlgItem(demo, button), BM_CLICK, 0, 0);
    for (int i = 0; i < 600 && pilot.boxes.size() < boxesExpected; ++i) {
        ::EnumWindows(&Answer, reinterpret_cast<LPARAM>(&pilot));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: demo_autopilot VantrelDemo.exe SCREENSHOT.bmp\n");
        return 2;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = std::wstring(L"\"") + argv[1] + L"\"";
    if (!::CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fwprintf(stderr, L"demo_autopilot: cannot start %ls\n", argv[1]);
        return 2;
    }
    const vantrel::UniqueKernelObject processHandle(process.hProcess);
    const vantrel::UniqueKernelObject threadHandle(process.hThread);
    Autopilot pilot;
    pilot.demoProcess = process.dwProcessId;

    HWND demo = nullptr;
    for (int i = 0; i < 600 && !demo; ++i) {
        ::EnumWindows(&Answer, reinterpret_cast<LPARAM>(&pilot));  // "Initialize()" comes first
        demo = FindDemoWindow(process.dwProcessId);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!demo) {
        std::fwprintf(stderr, L"demo_autopilot: the demo's window did not appear\n");
        for (const auto& box : pilot.boxes) std::fwprintf(stderr, L"  box: %ls\n", box.text.c_str());
        ::TerminateProcess(processHandle.get(), 1);
        return 1;
    }

    Click(pilot, demo, kSelectSource, pilot.boxes.size() + 1);
    Click(pilot, demo, kSave, pilot.boxes.size() + 1);
    const std::wstring saved = pilot.boxes.empty() ? L"" : pilot.boxes.back().text;
    // Acquire shows no box on success: give the picture time to arrive.
    ::PostMessageW(::GetDlgItem(demo, kAcquire), BM_CLICK, 0, 0);
    for (int i = 0; i < 50; ++i) {
        ::EnumWindows(&Answer, reinterpret_cast<LPARAM>(&pilot));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool shot = SaveScreen(argv[2]);

    ::PostMessageW(demo, WM_CLOSE, 0, 0);
    ::WaitForSingleObject(processHandle.get(), 30000);

    for (const auto& box : pilot.boxes) std::fwprintf(stderr, L"message box: %ls\n", box.text.c_str());
    if (saved.empty() || ::GetFileAttributesW(saved.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fwprintf(stderr, L"demo_autopilot: no BMP was saved\n");
        return 1;
    }
    std::fwprintf(stdout, L"%ls\n", saved.c_str());
    return shot ? 0 : 1;
}
