// The progress window: a caption, a line of text and a bar painted by hand.
#include "scanner/progress_window.h"

#include <algorithm>

namespace vantrel::scanner {
namespace {

constexpr int kClientWidth = 240;
constexpr int kClientHeight = 64;
constexpr int kMargin = 10;

}  // namespace

ProgressWindow::ProgressWindow() : OwnWindow(&ProgressWindow::WindowProc, IDC_WAIT, kClassName) {}

ProgressWindow::~ProgressWindow() = default;

std::unique_ptr<ProgressWindow> ProgressWindow::Show(HWND owner) {
    std::unique_ptr<ProgressWindow> progress(new ProgressWindow());
    if (!progress->windowClass_) return nullptr;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    const DWORD style = WS_POPUP | WS_CAPTION;
    ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOOLWINDOW);
    HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Scanning", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, ThisModule(),
                                    progress.get());
    if (!window) return nullptr;
    // Shown without taking the focus from the application or the scan dialog.
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    return progress;
}

void ProgressWindow::SetPercent(int percent) {
    percent_ = std::clamp(percent, 0, 100);
    if (!window_) return;
    ::InvalidateRect(window_.get(), nullptr, TRUE);
    ::UpdateWindow(window_.get());
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ProgressWindow* self = Route<ProgressWindow>(window, message, lParam);
    if (self && message == WM_PAINT) {
        self->OnPaint(window);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void ProgressWindow::OnPaint(HWND window) {
    const PaintSession paint(window);
    if (!paint) return;
    const HDC dc = paint.dc();
    // Declared after the session, so the old font is back before EndPaint.
    Selection font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    RECT text{kMargin, kMargin, kClientWidth - kMargin, kMargin + 16};
    ::DrawTextW(dc, L"Scanning the test chart...", -1, &text, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    RECT bar{kMargin, kClientHeight - kMargin - 16, kClientWidth - kMargin, kClientHeight - kMargin};
    ::FrameRect(dc, &bar, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    RECT filled = bar;
    ::InflateRect(&filled, -2, -2);
    filled.right = filled.left + (filled.right - filled.left) * percent_ / 100;
    ::FillRect(dc, &filled, ::GetSysColorBrush(COLOR_HIGHLIGHT));
}

}  // namespace vantrel::scanner
