// The service in the user's session: one instance per user, and its start at logon (HKCU Run,
// no administrator rights needed).
#pragma once

#include "win32/win32_owners.h"

#include <string>

namespace vantrel::service {

// Held for the program's life; the first instance of this user's session gets it.
class InstanceLock {
public:
    InstanceLock();
    bool first() const { return first_; }
    // Where the instance holding the lock said it listens (empty when it has not said yet).
    static std::wstring RunningAt();
    // Said once listening, for a second start to tell.
    static void SayListening(const std::wstring& url);

private:
    UniqueKernelObject mutex_;
    bool first_ = false;
};

// Empty on success, else why not.
std::wstring InstallAtLogon(const std::wstring& command);
std::wstring UninstallAtLogon();

}  // namespace vantrel::service
