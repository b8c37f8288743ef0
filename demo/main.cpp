// VantrelDemo.exe: starts COM and the common controls, runs FormVantrelDemo until it is closed.
#include "com_failure.h"
#include "main_window.h"

#include <commctrl.h>
#include <objbase.h>
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
    demo::EndOnFailure(nullptr, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), L"CoInitializeEx");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    int code = 0;
    {
        // The window and the object it holds go before COM does.
        demo::MainWindow window;
        if (demo::MainWindow::Register(instance)) {
            if (const HWND hwnd = window.Create(instance)) {
                ::ShowWindow(hwnd, show);
                ::UpdateWindow(hwnd);
                code = RunMessageLoop();
            }
        }
    }
    ::CoUninitialize();
    return code;
}
