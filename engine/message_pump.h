// The thread's messages while a source is enabled: taken in the character set of their window.
#pragma once

#include <windows.h>

namespace vantrel::engine {

// Takes the next message in the character set of the window it is for: the ANSI form turns a
// Unicode window's characters outside the code page into '?'. Messages for ANSI windows and the
// thread's own are taken in the ANSI form, as always. Returns as GetMessage does.
BOOL TakeMessage(MSG& message, bool& wide);

// Translates and dispatches a message taken by TakeMessage.
void DispatchTaken(const MSG& message, bool wide);

}  // namespace vantrel::engine
