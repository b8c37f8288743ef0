// A named mutex for the single instance, HKCU values for where it listens and for the logon start.
#include "servers/vantrel_service/user_session.h"

#include <windows.h>

namespace vantrel::service {

namespace {

constexpr wchar_t kMutexName[] = L"Local\\Vantrel.ScanService";
constexpr wchar_t kServiceKey[] = L"Software\\Vantrel\\Service";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Vantrel scan service";

UniqueRegKey OpenUserKey(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return UniqueRegKey{};
    return UniqueRegKey(key);
}

std::wstring SetText(const wchar_t* path, const wchar_t* name, const std::wstring& text) {
    const UniqueRegKey key = OpenUserKey(path);
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (!key || ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) != ERROR_SUCCESS)
        return L"Cannot write HKEY_CURRENT_USER\\" + std::wstring(path) + L".";
    return {};
}

}  // namespace

InstanceLock::InstanceLock() {
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kMutexName);
    // Read before anything else can touch the thread's last error.
    const DWORD created = ::GetLastError();
    mutex_.reset(mutex);
    first_ = mutex && created != ERROR_ALREADY_EXISTS;
}

std::wstring InstanceLock::RunningAt() {
    const UniqueRegKey key = OpenUserKey(kServiceKey);
    wchar_t url[512] = {};
    DWORD bytes = sizeof url - sizeof(wchar_t);
    DWORD type = 0;
    if (!key || ::RegQueryValueExW(key.get(), L"Listening", nullptr, &type, reinterpret_cast<BYTE*>(url), &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return url;
}

void InstanceLock::SayListening(const std::wstring& url) { SetText(kServiceKey, L"Listening", url); }

std::wstring InstallAtLogon(const std::wstring& command) { return SetText(kRunKey, kRunValue, command); }

std::wstring UninstallAtLogon() {
    const UniqueRegKey key = OpenUserKey(kRunKey);
    if (!key) return L"Cannot open HKEY_CURRENT_USER\\" + std::wstring(kRunKey) + L".";
    const LSTATUS removed = ::RegDeleteValueW(key.get(), kRunValue);
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND ? std::wstring{} : L"Cannot remove the start at logon.";
}

}  // namespace vantrel::service
