// VantrelDemo.exe: starts COM and the common controls, runs FormVantrelDemo until it is closed.
#include "win32/com_apartment.h"
#include "demo/com_failure.h"
#include "demo/main_window.h"

#include <commctrl.h>
#include <windows.h>

namespace {

int RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab and the arrow keys move between the buttons, as in a dialog.
        const HWND top = ::GetAncestor(message.hwnd, GA_ROOT);
        if (top && ::IsDialogMessageW(top, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // Declared first, so the window and the object it holds go before COM does.
    const vantrel::ComApartment apartment;
    demo::EndOnFailure(nullptr, apartment.status(), L"CoInitializeEx");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    demo::MainWindow window;
    if (!demo::MainWindow::Register(instance)) return 0;
    const HWND hwnd = window.Create(instance);
    if (!hwnd) return 0;
    ::ShowWindow(hwnd, show);
    ::UpdateWindow(hwnd);
    return RunMessageLoop();
}
