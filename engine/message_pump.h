// The thread's messages while a source is enabled: taken in the character set of their window.
#pragma once

#include <windows.h>

#include <optional>

namespace vantrel::engine {

enum class Taken { Message, Quit, Failed, TimedOut };

// Takes the next message in the character set of the window it is for: the ANSI form turns a
// Unicode window's characters outside the code page into '?'. Messages for ANSI windows and the
// thread's own are taken in the ANSI form, as always. With a deadline (GetTickCount64's clock) it
// gives up once that passes with no message.
Taken TakeMessage(MSG& message, bool& wide, std::optional<ULONGLONG> deadline = std::nullopt);

// Translates and dispatches a message taken by TakeMessage.
void DispatchTaken(const MSG& message, bool wide);

}  // namespace vantrel::engine
