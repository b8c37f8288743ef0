// The source's own user interface: mode and size choices with Scan and Cancel, built in code.
#pragma once

#include "scanner/owners.h"
#include "scanner/scan_settings.h"

#include <functional>
#include <memory>

namespace vantrel::scanner {

class ScanDialog : public OwnWindow {
public:
    struct Handlers {
        std::function<void(const ScanSettings&)> onScan;  // Scan pressed, with the choices made
        std::function<void()> onCancel;                   // Cancel pressed or the window closed
    };

    // Shows the dialog owned by `owner` (may be null), preset to `initial`; null on failure.
    static std::unique_ptr<ScanDialog> Show(HWND owner, const ScanSettings& initial, Handlers handlers);

    ~ScanDialog();

    HWND window() const noexcept { return window_.get(); }

    // While a scan is pending the choices cannot change and Scan cannot be pressed twice.
    void SetBusy(bool busy);

    static constexpr const wchar_t* kClassName = L"VantrelSampleScannerDialog";

private:
    explicit ScanDialog(Handlers handlers);

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate(HWND window);
    void OnCommand(WORD id, WORD notification);
    ScanSettings ReadChoices() const;

    Handlers handlers_;
    ScanSettings initial_;
};

}  // namespace vantrel::scanner
