// The TWAIN object: its properties, its connection to the DSM, source selection and acquisition.
#pragma once

#include "engine/dsm_link.h"
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
    void SetOwnerHwnd(std::int32_t newValue) noexcept { OwnerHwnd_ = newValue; }
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
    bool Acquiring() const noexcept { return acquiring_; }

    // For the tests: the identity only the object holds while no request carries it (after
    // construction, Destroy or a refused Create).
    const twain::TW_IDENTITY& AppIdentity() const noexcept { return AppIdentity_; }

private:
    bool OpenDSM();
    void CloseDSM();
    bool OpenDS();
    void CloseDS();

    void SetProgressIndicators();

    twain::TW_UINT16 CallDsm(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
    twain::TW_UINT16 CallSource(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
    void FillAppIdentity();

    StoredFlag Interface_ = kFlagOn;
    StoredFlag ProgressDialog_ = kFlagOn;
    std::int32_t OwnerHwnd_ = 0;
    std::wstring Application_ = L"TWAIN";
    std::wstring Version_;
    twain::TW_IDENTITY AppIdentity_{};
    twain::TW_IDENTITY SourceIdentity_{};
    bool DsmOpen_ = false;
    DsmLink dsm_;  // DsmLibrary and DsmEntry

    // Handlers of the client run inside Acquire's loop and may call back into this object.
    bool acquiring_ = false;
    bool destroyRequested_ = false;
};

}  // namespace vantrel
