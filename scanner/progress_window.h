// The small "Scanning" window with a bar, shown during a transfer when CAP_INDICATORS is true.
#pragma once

#include "scanner/owners.h"

#include <memory>

namespace vantrel::scanner {

class ProgressWindow : public OwnWindow {
public:
    // Shows the window owned by `owner` (may be null); null when it cannot be created.
    static std::unique_ptr<ProgressWindow> Show(HWND owner);

    ~ProgressWindow();

    // Moves the bar to `percent` and repaints at once: the transfer runs on the caller's
    // thread, so no message loop would paint it otherwise.
    void SetPercent(int percent);

    static constexpr const wchar_t* kClassName = L"VantrelSampleScannerProgress";

private:
    ProgressWindow();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint(HWND window);

    int percent_ = 0;
};

}  // namespace vantrel::scanner
