// The TWAIN object: its properties, its connection to the DSM, source selection and acquisition.
#pragma once

#include "dsm_link.h"
#include "twain_records.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

using Boolean = std::int16_t;  // automation Boolean: True -1, False 0
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

using ResultCode = std::int16_t;
inline constexpr ResultCode Carried = 1;
inline constexpr ResultCode Cancelled = 0;
inline constexpr ResultCode Failed = -1;

inline constexpr std::uint16_t kProtocolMajor = 1;
inline constexpr std::uint16_t kProtocolMinor = 7;

// The 16-bit absolute value the DSM receives for a stored flag. -32768 has none; it is a true
// value all the same, so it becomes 1.
constexpr std::uint16_t AbsoluteFlag(Boolean value) noexcept {
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
    Boolean Interface() const noexcept { return Interface_; }
    void SetInterface(Boolean newValue) noexcept { Interface_ = newValue; }
    std::int32_t OwnerHwnd() const noexcept { return OwnerHwnd_; }
    void SetOwnerHwnd(std::int32_t newValue) noexcept { OwnerHwnd_ = newValue; }
    Boolean ProgressDialog() const noexcept { return ProgressDialog_; }
    void SetProgressDialog(Boolean newValue) noexcept { ProgressDialog_ = newValue; }
    const std::wstring& Version() const noexcept { return Version_; }

    Boolean Create();
    void Destroy() noexcept;
    ResultCode SelectSource();
    // Runs its own message loop until the source delivers one image or gives up. While it runs,
    // Create, SelectSource and Acquire refuse, and Destroy ends the acquisition first.
    ResultCode Acquire(std::wstring_view file);
    bool Acquiring() const noexcept { return acquiring_; }

    // Read access for the acquisition and the tests.
    const twain::TW_IDENTITY& AppIdentity() const noexcept { return AppIdentity_; }
    const twain::TW_IDENTITY& SourceIdentity() const noexcept { return SourceIdentity_; }
    bool DsmOpen() const noexcept { return DsmOpen_ == True; }
    bool DsmLibraryLoaded() const noexcept { return dsm_.library() != nullptr; }

private:
    Boolean OpenDSM();
    void CloseDSM();
    Boolean OpenDS();
    void CloseDS();
    Boolean EnableDS();
    void DisableDS();

    void SetProgressIndicators();
    ResultCode RunMessageLoop(const std::wstring& file, std::optional<WPARAM>& quitCode);
    ResultCode Transfer(const std::wstring& file);

    twain::TW_UINT16 CallDsm(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
    twain::TW_UINT16 CallSource(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
    void FillAppIdentity();

    Boolean Interface_ = True;
    Boolean ProgressDialog_ = True;
    std::int32_t OwnerHwnd_ = 0;
    std::wstring Application_ = L"TWAIN";
    std::wstring Version_;
    twain::TW_IDENTITY AppIdentity_{};
    twain::TW_IDENTITY SourceIdentity_{};
    Boolean DsmOpen_ = False;
    DsmLink dsm_;  // DsmLibrary and DsmEntry

    // Handlers of the client run inside Acquire's loop and may call back into this object.
    bool acquiring_ = false;
    bool destroyRequested_ = false;
};

}  // namespace vantrel
