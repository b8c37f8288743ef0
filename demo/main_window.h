// FormVantrelDemo: the demo's one window, driving the Vantrel.TWAIN object through COM.
#pragma once

#include "Vantrel_h.h"
#include "win32/gdi_owners.h"
#include "win32/win32_owners.h"

#include <windows.h>

#include <string>

namespace demo {

class MainWindow {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    static bool Register(HINSTANCE instance);

    // Creates, lays out and loads the window, still hidden. Null when loading ended the program.
    HWND Create(HINSTANCE instance);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnCreate();
    void OnClose();
    void OnDestroy();
    void OnNcDestroy();
    void OnCommand(WPARAM wParam);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnSetCursor();
    void OnSetFocus();
    void OnDpiChanged(WPARAM wParam, const RECT& suggested);

    bool Load();
    void Layout(int dpi, const RECT* suggested);

    void SelectSourceClicked();
    void AcquireClicked();
    void SaveClicked();

    _TWAIN* Twain();
    short Acquire(const std::wstring& file);
    void DestroyTwain();
    void Check(HRESULT status, const wchar_t* call) const;
    void ShowBox(const std::wstring& text, UINT icon) const;
    HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }

    HWND hwnd_ = nullptr;
    vantrel::ComPtr<_TWAIN> twainObject_;
    vantrel::UniqueBitmap picture_;
    vantrel::UniqueFont font_;
    bool loaded_ = false;
    bool commandRunning_ = false;
    bool acquiring_ = false;
    bool closeRequested_ = false;
    bool twainDestroyed_ = false;
};

}  // namespace demo
