// Taking and dispatching the thread's messages in their window's character set.
#include "engine/message_pump.h"

#include <algorithm>

namespace vantrel::engine {

namespace {

// Peeks at the next message into `next` once there is one; otherwise why there is none.
std::optional<Taken> WaitForMessage(MSG& next, std::optional<ULONGLONG> deadline) {
    while (!::PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!deadline) {
            if (!::WaitMessage()) return Taken::Failed;
            continue;
        }
        const ULONGLONG now = ::GetTickCount64();
        if (now >= *deadline) return Taken::TimedOut;
        const DWORD left = static_cast<DWORD>(std::min<ULONGLONG>(*deadline - now, INFINITE - 1));
        if (::MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_FAILED) return Taken::Failed;
    }
    return std::nullopt;
}

}  // namespace

Taken TakeMessage(MSG& message, bool& wide, std::optional<ULONGLONG> deadline) {
    MSG next{};
    if (const auto none = WaitForMessage(next, deadline)) return *none;
    wide = next.hwnd && ::IsWindowUnicode(next.hwnd);
    const BOOL got = wide ? ::GetMessageW(&message, nullptr, 0, 0) : ::GetMessageA(&message, nullptr, 0, 0);
    return got == -1 ? Taken::Failed : got == 0 ? Taken::Quit : Taken::Message;
}

void DispatchTaken(const MSG& message, bool wide) {
    ::TranslateMessage(&message);
    if (wide) ::DispatchMessageW(&message);
    else ::DispatchMessageA(&message);
}

}  // namespace vantrel::engine
