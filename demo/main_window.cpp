// FormVantrelDemo: the demo's one window, driving the Vantrel.TWAIN object through COM.
#include "demo/main_window.h"

#include "demo/clipboard_picture.h"
#include "demo/com_failure.h"
#include "demo/ini_text.h"
#include "demo/layout.h"
#include "demo/messages.h"
#include "demo/window_dpi.h"

#include <algorithm>

namespace demo {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;  // fixed single border
constexpr DWORD kExStyle = 0;

std::wstring IniText(const wchar_t* key) { return GetIniText(kIniSection, key); }


}  // namespace

bool MainWindow::Register(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&windowClass) != 0;
}

HWND MainWindow::Create(HINSTANCE instance) {
    // Placed and sized in OnCreate, once the window knows its DPI.
    return ::CreateWindowExW(kExStyle, kWindowClass, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, nullptr, nullptr, instance, this);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_NCDESTROY: {
        const HWND window = hwnd_;
        OnNcDestroy();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_COMMAND: OnCommand(wParam); return 0;
    case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_SETCURSOR:
        if (OnSetCursor()) return TRUE;
        break;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_DPICHANGED: OnDpiChanged(wParam, *reinterpret_cast<const RECT*>(lParam)); return 0;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT MainWindow::OnCreate() {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    // The picture box draws its picture itself: at its own size from the top-left corner, clipped.
    ::CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", kPictureLayout.designCaption, WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                      0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPictureLayout.id)), instance,
                      nullptr);
    for (const ControlLayout& button : kButtonLayouts) {
        ::CreateWindowExW(0, L"BUTTON", button.designCaption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                          0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), instance, nullptr);
    }
    Layout(DpiOf(hwnd_), nullptr);
    // -1 makes CreateWindowEx fail: the window is never shown and the program ends.
    return Load() ? 0 : -1;
}

bool MainWindow::Load() {
    for (const ControlLayout& button : kButtonLayouts) ::SetWindowTextW(Control(button.id), IniText(button.name).c_str());

    Check(Twain()->put_Application(vantrel::MakeBstr(kTitle).get()), L"_TWAIN.Application");
    Check(Twain()->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<LONG_PTR>(hwnd_))), L"_TWAIN.OwnerHwnd");
    VARIANT_BOOL created = VARIANT_FALSE;
    Check(Twain()->Create(&created), L"_TWAIN.Create");
    if (created == VARIANT_FALSE) {
        ShowBox(IniText(L"Const1"), MB_ICONEXCLAMATION);
        return false;
    }

    vantrel::UniqueBstr version;
    Check(Twain()->get_Version(version.put()), L"_TWAIN.Version");
    const std::wstring caption =
        std::wstring(kTitle) + L" - TWAIN " + std::wstring(version.get(), ::SysStringLen(version.get()));
    ::SetWindowTextW(hwnd_, caption.c_str());
    loaded_ = true;
    return true;
}

void MainWindow::OnClose() {
    if (!commandRunning_) {
        ::DestroyWindow(hwnd_);
        return;
    }
    // The click's handler is still on the stack: the window goes when it has returned. A running
    // Acquire ends through Destroy and then returns 0.
    closeRequested_ = true;
    if (acquiring_) DestroyTwain();
}

void MainWindow::OnDestroy() {
    if (loaded_) DestroyTwain();
    twainObject_.reset();
    ::PostQuitMessage(0);
}

void MainWindow::OnNcDestroy() {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
}

void MainWindow::OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const int id = LOWORD(wParam);
    if (id != CommandSelectsource && id != CommandAcquire && id != CommandSave) return;
    // Acquire dispatches our messages while it waits; a click then would start a command inside
    // the running one.
    if (commandRunning_) return;

    commandRunning_ = true;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    switch (id) {
    case CommandSelectsource: SelectSourceClicked(); break;
    case CommandAcquire: AcquireClicked(); break;
    case CommandSave: SaveClicked(); break;
    }
    commandRunning_ = false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    if (closeRequested_) ::DestroyWindow(hwnd_);
}

void MainWindow::SelectSourceClicked() {
    short result = 0;
    Check(Twain()->SelectSource(&result), L"_TWAIN.SelectSource");
    if (closeRequested_) return;  // no box for a window that is going
    if (result == -1) ShowBox(IniText(L"Const3"), MB_ICONEXCLAMATION);
    else if (result == 1) ShowBox(IniText(L"Const2"), MB_ICONINFORMATION);
}

void MainWindow::AcquireClicked() {
    const short result = Acquire(L"");
    if (closeRequested_) return;
    if (result == -1) {
        ShowBox(IniText(L"Const4"), MB_ICONEXCLAMATION);
    } else if (result == 1) {
        picture_ = ReadClipboardPicture(hwnd_);
        ::InvalidateRect(Control(PictureClipboard), nullptr, TRUE);
    }
}

void MainWindow::SaveClicked() {
    const std::wstring path = GetTempDir() + L"Test.bmp";
    const short result = Acquire(path);
    if (closeRequested_) return;
    if (result == -1) ShowBox(IniText(L"Const5") + L" " + path, MB_ICONEXCLAMATION);
    else if (result == 1) ShowBox(path, MB_ICONINFORMATION);
}

LRESULT MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != PictureClipboard) return FALSE;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    if (!picture_) return TRUE;
    BITMAP bitmap{};
    if (!::GetObjectW(picture_.get(), sizeof bitmap, &bitmap)) return TRUE;
    vantrel::UniqueMemoryDc memory(::CreateCompatibleDC(item.hDC));
    if (!memory) return TRUE;
    vantrel::Selection selected(memory.get(), picture_.get());
    const int width = std::min<int>(bitmap.bmWidth, item.rcItem.right - item.rcItem.left);
    const int height = std::min<int>(bitmap.bmHeight, item.rcItem.bottom - item.rcItem.top);
    ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, memory.get(), 0, 0, SRCCOPY);
    return TRUE;
}

bool MainWindow::OnSetCursor() {
    if (!commandRunning_) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void MainWindow::OnSetFocus() { ::SetFocus(Control(kButtonLayouts[0].id)); }

void MainWindow::OnDpiChanged(WPARAM wParam, const RECT& suggested) { Layout(HIWORD(wParam), &suggested); }

// The one place where twips become pixels: the window, its controls and their font.
void MainWindow::Layout(int dpi, const RECT* suggested) {
    const RECT outer = OuterRect(TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi), kStyle,
                                 kExStyle, dpi);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    int x = 0;
    int y = 0;
    if (suggested) {
        x = suggested->left;
        y = suggested->top;
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
        x = monitor.rcMonitor.left + (monitor.rcMonitor.right - monitor.rcMonitor.left - width) / 2;
        y = monitor.rcMonitor.top + (monitor.rcMonitor.bottom - monitor.rcMonitor.top - height) / 2;
    }
    ::SetWindowPos(hwnd_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    vantrel::UniqueFont font(::CreateFontW(-::MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg 2"));
    auto place = [&](const ControlLayout& control) {
        const PixelRect pixels = ToPixels(control.twips, dpi);
        const HWND window = Control(control.id);
        ::MoveWindow(window, pixels.left, pixels.top, pixels.width, pixels.height, TRUE);
        if (font) ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    };
    place(kPictureLayout);
    for (const ControlLayout& button : kButtonLayouts) place(button);
    // The controls now use the new font; only then may the old one go.
    if (font) font_ = std::move(font);
}

// The object is made on first use, as the window's first touch of it in Load.
_TWAIN* MainWindow::Twain() {
    if (!twainObject_) {
        Check(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_INPROC_SERVER, IID__TWAIN, twainObject_.put_void()),
              L"CoCreateInstance(Vantrel.TWAIN)");
    }
    return twainObject_.get();
}

short MainWindow::Acquire(const std::wstring& file) {
    short result = 0;
    acquiring_ = true;
    const HRESULT status = Twain()->Acquire(vantrel::MakeBstr(file).get(), &result);
    acquiring_ = false;
    Check(status, L"_TWAIN.Acquire");
    return result;
}

// Once only: a close during an acquisition has already destroyed the object.
void MainWindow::DestroyTwain() {
    if (twainDestroyed_ || !twainObject_) return;
    twainDestroyed_ = true;
    Check(twainObject_->Destroy(), L"_TWAIN.Destroy");
}

void MainWindow::Check(HRESULT status, const wchar_t* call) const { EndOnFailure(hwnd_, status, call); }

void MainWindow::ShowBox(const std::wstring& text, UINT icon) const {
    ::MessageBoxW(hwnd_, text.c_str(), kTitle, MB_OK | icon);
}

}  // namespace demo
