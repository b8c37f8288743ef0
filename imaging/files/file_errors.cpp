// The causes of failed writes, in words a script user can act on.
#include "imaging/files/file_errors.h"

#include "imaging/files/output_naming.h"

namespace vantrel::imaging {

std::wstring DescribeFileError(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return L"the disk is full";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
            return L"the folder does not exist";
        case ERROR_ACCESS_DENIED:
            return L"access is denied";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return L"the file is in use by another program";
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return L"the name is not a valid file name";
        case ERROR_FILENAME_EXCED_RANGE:
            return L"the name is too long";
        case ERROR_WRITE_PROTECT:
            return L"the disk is write-protected";
        case ERROR_NOT_READY:
            return L"the drive is not ready";
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return L"the network path was not found";
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return L"there is not enough memory";
        default:
            break;
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring cause = L"Windows error " + std::to_wstring(error);
    if (length > 0 && text) {
        std::wstring message(text, length);
        while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' || message.back() == L'.'))
            message.pop_back();
        if (!message.empty()) cause += L" (" + message + L")";
    }
    if (text) ::LocalFree(text);
    return cause;
}

std::wstring ReplaceErrorText(std::wstring_view target, DWORD error) {
    const DWORD attributes = ::GetFileAttributesW(std::wstring(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return CannotWrite(target, L"a folder has that name");
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return CannotWrite(target, L"the file is read-only");
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES) {
        // Replacing a file another program holds open is refused as "access denied"; opening it says why.
        const HANDLE probe = ::CreateFileW(std::wstring(target).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe != INVALID_HANDLE_VALUE) ::CloseHandle(probe);
        else if (::GetLastError() == ERROR_SHARING_VIOLATION) return FileErrorText(target, ERROR_SHARING_VIOLATION);
    }
    return error == ERROR_SUCCESS ? std::wstring() : FileErrorText(target, error);
}

std::wstring FileErrorText(std::wstring_view path, DWORD error) { return CannotWrite(path, DescribeFileError(error)); }

}  // namespace vantrel::imaging
