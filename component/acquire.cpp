// Acquire: one image from the chosen source, by native transfer, through the object's own message loop.
#include "save_dib.h"
#include "twain_object.h"
#include "win32_owners.h"

namespace vantrel {

using namespace twain;

// Best effort: the source keeps its own default when any step fails.
void TWAIN::SetProgressIndicators() {
    UniqueGlobal container(::GlobalAlloc(GHND, sizeof(TW_ONEVALUE)));
    if (!container) return;
    GlobalLock<TW_ONEVALUE> value(container.get());
    if (!value) return;
    value.get()->ItemType = TWTY_BOOL;
    value.get()->Item = AbsoluteFlag(ProgressDialog_);

    TW_CAPABILITY capability{};
    capability.Cap = CAP_INDICATORS;
    capability.ConType = TWON_ONEVALUE;
    capability.hContainer = static_cast<TW_HANDLE>(reinterpret_cast<std::uintptr_t>(container.get()));
    CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

Outcome TWAIN::Transfer(const std::wstring& file) {
    Outcome result = Outcome::Failed;
    bool ended = false;  // the source was told the transfer is over (MSG_ENDXFER)
    TW_PENDINGXFERS pending{};
    TW_IMAGEINFO info{};
    if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) == TWRC_SUCCESS) {
        std::uint32_t handle = 0;
        switch (CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle)) {
        case TWRC_XFERDONE: {
            // From here the block is ours until the clipboard takes it.
            UniqueGlobal image(reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(handle)));
            if (image) {
                const Delivery delivery = SaveDIB(image.get(), file);
                if (delivery == Delivery::Clipboard) image.release();
                if (delivery != Delivery::Failed) result = Outcome::Carried;
            }
            ended = true;
            break;
        }
        case TWRC_CANCEL:
            result = Outcome::Cancelled;
            ended = true;
            break;
        default:
            break;
        }
    }
    if (ended) CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    // One image per call, and a source still in the transfer state (an image left pending, or a
    // transfer that never ended) refuses to be disabled and closed: reset it.
    if (!ended || pending.Count != 0) CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    return result;
}

namespace {

// Takes the next message in the character set of the window it is for: the ANSI form turns a
// Unicode window's characters outside the code page into '?'. Messages for ANSI windows and the
// thread's own are taken in the ANSI form, as always. Returns as GetMessage does.
BOOL TakeMessage(MSG& message, bool& wide) {
    MSG next{};
    while (!::PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!::WaitMessage()) return -1;
    }
    wide = next.hwnd && ::IsWindowUnicode(next.hwnd);
    return wide ? ::GetMessageW(&message, nullptr, 0, 0) : ::GetMessageA(&message, nullptr, 0, 0);
}

}  // namespace

Outcome TWAIN::RunMessageLoop(const std::wstring& file, std::optional<WPARAM>& quitCode) {
    MSG message{};
    TW_EVENT event{};
    for (;;) {
        bool wide = false;
        const BOOL got = TakeMessage(message, wide);
        if (got == -1) return Outcome::Failed;
        if (got == 0) {
            quitCode = message.wParam;
            return Outcome::Failed;
        }
        if (destroyRequested_) return Outcome::Cancelled;

        event.pEvent = static_cast<TW_MEMREF>(reinterpret_cast<std::uintptr_t>(&message));
        event.TWMessage = MSG_NULL;
        const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (rc == TWRC_NOTDSEVENT) {
            ::TranslateMessage(&message);
            if (wide) ::DispatchMessageW(&message);
            else ::DispatchMessageA(&message);
            if (destroyRequested_) return Outcome::Cancelled;
            continue;
        }
        if (rc != TWRC_DSEVENT) continue;
        if (event.TWMessage == MSG_XFERREADY) return Transfer(file);
        if (event.TWMessage == MSG_CLOSEDSREQ) return Outcome::Cancelled;
    }
}

Outcome TWAIN::Acquire(std::wstring_view file) {
    const std::wstring target(file);
    if (acquiring_ || !DsmOpen_) return Outcome::Failed;
    if (!OpenDS()) return Outcome::Failed;

    acquiring_ = true;
    SetProgressIndicators();
    Outcome result = Outcome::Failed;
    std::optional<WPARAM> quitCode;
    if (EnableDS()) {
        result = RunMessageLoop(target, quitCode);
        DisableDS();
    }
    CloseDS();
    acquiring_ = false;

    if (destroyRequested_) {
        destroyRequested_ = false;
        Destroy();
    }
    // The loop took the thread's quit message; the client's own loop must still see it.
    if (quitCode) ::PostQuitMessage(static_cast<int>(*quitCode));
    return result;
}

}  // namespace vantrel
