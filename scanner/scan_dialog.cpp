// The scan dialog: one window class, `this` kept from WM_NCCREATE, one handler per message.
#include "scanner/scan_dialog.h"

#include <array>
#include <string>

namespace vantrel::scanner {
namespace {

enum ControlId : WORD {
    kScan = IDOK,
    kCancel = IDCANCEL,
    kColour = 100,
    kGrey = 101,
    kBlackWhite = 102,
    kSizeLabel = 110,
    kSizeList = 111,
};

struct ModeChoice {
    ControlId id;
    ColourMode mode;
    const wchar_t* text;
};

constexpr std::array<ModeChoice, 3> kModes{{
    {kColour, ColourMode::Colour, L"Colour 24-bit"},
    {kGrey, ColourMode::Grey, L"Grey 8-bit"},
    {kBlackWhite, ColourMode::BlackWhite, L"Black and white 1-bit"},
}};

constexpr std::array<Size, 4> kSizes{{{200, 150}, {400, 300}, {800, 600}, {1024, 768}}};

// Layout in dialog units (the unit Windows dialogs are designed in), converted in one place.
struct Box {
    int x, y, width, height;
};
constexpr int kDialogWidth = 170;
constexpr int kDialogHeight = 118;

RECT ToPixels(const Box& box) {
    const LONG units = ::GetDialogBaseUnits();
    const int perX = LOWORD(units), perY = HIWORD(units);
    return {::MulDiv(box.x, perX, 4), ::MulDiv(box.y, perY, 8), ::MulDiv(box.x + box.width, perX, 4),
            ::MulDiv(box.y + box.height, perY, 8)};
}

std::wstring SizeText(const Size& size) { return std::to_wstring(size.width) + L" x " + std::to_wstring(size.height); }

}  // namespace

ScanDialog::ScanDialog(Handlers handlers)
    : OwnWindow(&ScanDialog::WindowProc, IDC_ARROW, kClassName), handlers_(std::move(handlers)) {}

ScanDialog::~ScanDialog() = default;

std::unique_ptr<ScanDialog> ScanDialog::Show(HWND owner, const ScanSettings& initial, Handlers handlers) {
    std::unique_ptr<ScanDialog> dialog(new ScanDialog(std::move(handlers)));
    if (!dialog->windowClass_) return nullptr;
    dialog->initial_ = initial;
    RECT frame = ToPixels({0, 0, kDialogWidth, kDialogHeight});
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    HWND window = ::CreateWindowExW(exStyle, kClassName, L"Vantrel Sample Scanner", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, ThisModule(),
                                    dialog.get());
    if (!window) return nullptr;
    ::ShowWindow(window, SW_SHOW);
    return dialog;
}

void ScanDialog::SetBusy(bool busy) {
    // Disabling the children, not the window, keeps the dialog movable and able to repaint.
    for (WORD id : {WORD{kScan}, WORD{kCancel}, WORD{kColour}, WORD{kGrey}, WORD{kBlackWhite}, WORD{kSizeList}}) {
        ::EnableWindow(::GetDlgItem(window_.get(), id), busy ? FALSE : TRUE);
    }
}

LRESULT CALLBACK ScanDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ScanDialog* self = Route<ScanDialog>(window, message, lParam);
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            return self->OnCreate(window);
        case WM_COMMAND:
            self->OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            // Closing is the user's Cancel; the window itself stays until MSG_DISABLEDS.
            if (self->handlers_.onCancel) self->handlers_.onCancel();
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ScanDialog::OnCreate(HWND window) {
    const HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, const Box& box, WORD id) {
        const RECT r = ToPixels(box);
        HWND control = ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                         r.bottom - r.top, window, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                         ThisModule(), nullptr);
        if (control) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    int y = 8;
    for (const ModeChoice& choice : kModes) {
        // The first radio button starts the group so arrow keys move between the three.
        const DWORD group = choice.id == kColour ? WS_GROUP | WS_TABSTOP : 0;
        HWND radio = add(L"BUTTON", choice.text, BS_AUTORADIOBUTTON | group, {8, y, 154, 12}, choice.id);
        if (radio && choice.mode == initial_.mode) ::SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
        y += 14;
    }
    add(L"STATIC", L"Size:", SS_LEFT | WS_GROUP, {8, y + 4, 30, 10}, kSizeLabel);
    HWND list = add(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, {40, y + 2, 122, 80}, kSizeList);
    // The offered sizes, and the current one first if it is not among them (set by the environment).
    bool offered = false;
    for (const Size& size : kSizes) offered = offered || (size.width == initial_.width && size.height == initial_.height);
    auto addSize = [&](const Size& size) {
        const LRESULT index = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(SizeText(size).c_str()));
        ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), MAKELPARAM(size.width, size.height));
        if (size.width == initial_.width && size.height == initial_.height) ::SendMessageW(list, CB_SETCURSEL, index, 0);
    };
    if (!offered) addSize({initial_.width, initial_.height});
    for (const Size& size : kSizes) addSize(size);
    add(L"BUTTON", L"Scan", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, {62, kDialogHeight - 22, 48, 14}, kScan);
    add(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {114, kDialogHeight - 22, 48, 14}, kCancel);
    return 0;
}

void ScanDialog::OnCommand(WORD id, WORD notification) {
    if (notification != BN_CLICKED) return;
    if (id == kScan && handlers_.onScan) handlers_.onScan(ReadChoices());
    if (id == kCancel && handlers_.onCancel) handlers_.onCancel();
}

ScanSettings ScanDialog::ReadChoices() const {
    ScanSettings chosen = initial_;
    for (const ModeChoice& choice : kModes) {
        if (::IsDlgButtonChecked(window_.get(), choice.id) == BST_CHECKED) chosen.mode = choice.mode;
    }
    const LRESULT index = ::SendDlgItemMessageW(window_.get(), kSizeList, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return chosen;
    const auto packed = static_cast<DWORD>(::SendDlgItemMessageW(window_.get(), kSizeList, CB_GETITEMDATA, index, 0));
    chosen.width = LOWORD(packed);
    chosen.height = HIWORD(packed);
    return chosen;
}

}  // namespace vantrel::scanner
