// Taking and dispatching the thread's messages in their window's character set.
#include "engine/message_pump.h"

namespace vantrel::engine {

BOOL TakeMessage(MSG& message, bool& wide) {
    MSG next{};
    while (!::PeekMessageW(&next, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!::WaitMessage()) return -1;
    }
    wide = next.hwnd && ::IsWindowUnicode(next.hwnd);
    return wide ? ::GetMessageW(&message, nullptr, 0, 0) : ::GetMessageA(&message, nullptr, 0, 0);
}

void DispatchTaken(const MSG& message, bool wide) {
    ::TranslateMessage(&message);
    if (wide) ::DispatchMessageW(&message);
    else ::DispatchMessageA(&message);
}

}  // namespace vantrel::engine
