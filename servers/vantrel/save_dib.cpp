// Delivery of an acquired DIB: into a BMP file, or onto the clipboard when no file is named.
#include "servers/vantrel/save_dib.h"

#include "imaging/bmp/dib_layout.h"
#include "win32/win32_owners.h"

#include <algorithm>
#include <string>

namespace vantrel {

namespace {

Delivery ToClipboard(HGLOBAL image) {
    OpenClipboardSession clipboard(nullptr);
    if (!clipboard) return Delivery::Failed;
    ::EmptyClipboard();
    return ::SetClipboardData(CF_DIB, image) ? Delivery::Clipboard : Delivery::Failed;
}

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        // Chunks keep each request well inside what every file system accepts in one call.
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 64u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
        bytes += written;
        size -= written;
    }
    return true;
}

Delivery ToFile(HGLOBAL image, const std::wstring& path) {
    GlobalLock<const std::uint8_t> dib(image);
    if (!dib) return Delivery::Failed;
    const auto layout = PlanBmpFile({dib.get(), ::GlobalSize(image)});
    if (!layout) return Delivery::Failed;

    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, &security, CREATE_ALWAYS, 0, nullptr));
    if (!file) return Delivery::Failed;

    const bool written = WriteAll(file.get(), layout->fileHeader.data(), layout->fileHeader.size()) &&
                         WriteAll(file.get(), dib.get(), layout->dibBytes);
    // Closing writes what the system still buffers, and can fail like any write.
    const bool closed = file.close();
    if (written && closed) return Delivery::File;
    // A short file is a lost image that looks like a saved one: remove it.
    ::DeleteFileW(path.c_str());
    return Delivery::Failed;
}

}  // namespace

Delivery SaveDIB(HGLOBAL image, const std::wstring& file) {
    if (file.empty()) return ToClipboard(image);
    return ToFile(image, file);
}

}  // namespace vantrel
