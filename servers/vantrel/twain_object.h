// The TWAIN object: its properties over the engine's session in the classic profile (Twain_32.dll,
// TWAIN 1.7, the DSM open from Create to Destroy, one native image per Acquire).
#pragma once

#include "engine/session.h"
#include "twain/twain_records.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// How SelectSource and Acquire end; the automation surface gives each its number.
enum class Outcome { Carried, Cancelled, Failed };

// Interface and ProgressDialog as the client stored them: any 16-bit value, kept unchanged,
// because the DSM receives the value itself (ShowUI when enabling) or its absolute value.
using StoredFlag = std::int16_t;
inline constexpr StoredFlag kFlagOn = -1;  // what a new object holds: the automation True

inline constexpr std::uint16_t kProtocolMajor = 1;
inline constexpr std::uint16_t kProtocolMinor = 7;

// The 16-bit absolute value the DSM receives for a stored flag. -32768 has none; it is a true
// value all the same, so it becomes 1.
constexpr std::uint16_t AbsoluteFlag(StoredFlag value) noexcept {
    return value == INT16_MIN ? 1 : static_cast<std::uint16_t>(value < 0 ? -value : value);
}

class TWAIN {
public:
    // Shows the modal "Initialize()" box before it returns.
    TWAIN();
    TWAIN(const TWAIN&) = delete;
    TWAIN& operator=(const TWAIN&) = delete;

    const std::wstring& Application() const noexcept { return Application_; }
    void SetApplication(std::wstring_view newValue) { Application_.assign(newValue); }
    StoredFlag Interface() const noexcept { return Interface_; }
    void SetInterface(StoredFlag newValue) noexcept { Interface_ = newValue; }
    std::int32_t OwnerHwnd() const noexcept { return OwnerHwnd_; }
    // The DSM hears of a new owner at MSG_CLOSEDSM.
    void SetOwnerHwnd(std::int32_t newValue) noexcept;
    StoredFlag ProgressDialog() const noexcept { return ProgressDialog_; }
    void SetProgressDialog(StoredFlag newValue) noexcept { ProgressDialog_ = newValue; }
    const std::wstring& Version() const noexcept { return Version_; }

    // Whether the DSM was opened.
    bool Create();
    void Destroy() noexcept;
    Outcome SelectSource();
    // Runs its own message loop until the source delivers one image or gives up. While it runs,
    // Create, SelectSource and Acquire refuse, and Destroy ends the acquisition first.
    Outcome Acquire(std::wstring_view file);
    bool Acquiring() const noexcept { return session_.scanning(); }

    // For the tests: the identity only the object holds while no request carries it (after
    // construction, Destroy or a refused Create).
    const twain::TW_IDENTITY& AppIdentity() const noexcept { return session_.applicationIdentity(); }

private:
    HWND Owner() const noexcept;

    StoredFlag Interface_ = kFlagOn;
    StoredFlag ProgressDialog_ = kFlagOn;
    std::int32_t OwnerHwnd_ = 0;
    std::wstring Application_ = L"TWAIN";
    std::wstring Version_;
    // Handlers of the client run inside Acquire's loop and may call back into this object: the
    // session refuses what cannot nest and defers Destroy until the source is closed.
    engine::Session session_{DsmChoice::Classic};
};

}  // namespace vantrel
