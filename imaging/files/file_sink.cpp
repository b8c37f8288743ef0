// Writing a file beside its target under a temporary name, then renaming it over the target.
#include "imaging/files/file_sink.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "imaging/files/file_errors.h"
#include "imaging/files/output_naming.h"

namespace vantrel::imaging {
namespace {

// Large enough that a page's many small appends become a few writes, small beside a page.
constexpr std::size_t kBufferBytes = 1 << 20;
constexpr int kNameAttempts = 100;

std::atomic<unsigned> nextTemporary{0};

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes, DWORD& error) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 64u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            error = ::GetLastError();
            if (error == ERROR_SUCCESS) error = ERROR_DISK_FULL;  // a write that takes nothing has no room
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

bool Seek(HANDLE file, std::uint64_t offset, DWORD method, DWORD& error) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (::SetFilePointerEx(file, at, nullptr, method)) return true;
    error = ::GetLastError();
    return false;
}

}  // namespace

std::unique_ptr<FileSink> FileSink::Create(std::wstring_view target, std::wstring& error) {
    // A target that can never be replaced is refused before a page is scanned for it.
    error = ReplaceErrorText(target, ERROR_SUCCESS);
    if (!error.empty()) return nullptr;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::wstring temporary = imaging::TemporaryPath(target, ::GetCurrentProcessId(), nextTemporary++);
        UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return std::unique_ptr<FileSink>(new FileSink(std::wstring(target), std::move(temporary), std::move(file)));
        const DWORD cause = ::GetLastError();
        if (cause == ERROR_FILE_EXISTS || cause == ERROR_ALREADY_EXISTS) continue;  // a leftover of a crashed run
        error = FileErrorText(target, cause);
        return nullptr;
    }
    error = FileErrorText(target, ERROR_FILE_EXISTS);
    return nullptr;
}

FileSink::FileSink(std::wstring target, std::wstring temporary, UniqueFile file)
    : target_(std::move(target)), temporary_(std::move(temporary)), file_(std::move(file)) {
    buffer_.reserve(kBufferBytes);
}

FileSink::~FileSink() {
    if (committed_) return;
    file_.reset();
    ::DeleteFileW(temporary_.c_str());
}

bool FileSink::Fail(DWORD error) {
    if (!failed_) error_ = FileErrorText(target_, error);
    failed_ = true;
    return false;
}

bool FileSink::Flush() {
    if (failed_) return false;
    DWORD error = ERROR_SUCCESS;
    if (!WriteAll(file_.get(), buffer_, error)) return Fail(error);
    flushed_ += buffer_.size();
    buffer_.clear();
    return true;
}

bool FileSink::Append(std::span<const std::uint8_t> bytes) {
    if (failed_ || committed_) return false;
    if (buffer_.size() + bytes.size() > kBufferBytes && !Flush()) return false;
    if (bytes.size() >= kBufferBytes) {
        DWORD error = ERROR_SUCCESS;
        if (!WriteAll(file_.get(), bytes, error)) return Fail(error);
        flushed_ += bytes.size();
    } else {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    }
    size_ += bytes.size();
    return true;
}

bool FileSink::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (failed_ || committed_) return false;
    if (offset > size_ || bytes.size() > size_ - offset) return false;
    // Bytes still in the buffer are patched there; the rest in the file, the position put back at the end.
    if (offset >= flushed_) {
        std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(offset - flushed_));
        return true;
    }
    if (!Flush()) return false;
    DWORD error = ERROR_SUCCESS;
    if (!Seek(file_.get(), offset, FILE_BEGIN, error) || !WriteAll(file_.get(), bytes, error) ||
        !Seek(file_.get(), 0, FILE_END, error))
        return Fail(error);
    return true;
}

bool FileSink::Checkpoint(bool toDisk) {
    if (committed_ || !Flush()) return false;
    if (toDisk && !::FlushFileBuffers(file_.get())) return Fail(::GetLastError());
    return true;
}

bool FileSink::Commit() {
    if (committed_) return true;
    if (!Flush()) return false;
    // On the disk before the rename, so a crash leaves the old file or the new one, never a torn one.
    if (!::FlushFileBuffers(file_.get())) return Fail(::GetLastError());
    if (!file_.close()) return Fail(::GetLastError());
    // Checked again here, since Wine's move replaces a read-only file where Windows refuses to.
    std::wstring refusal = ReplaceErrorText(target_, ERROR_SUCCESS);
    if (refusal.empty() &&
        !::MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        refusal = ReplaceErrorText(target_, ::GetLastError());
    if (!refusal.empty()) {
        ::DeleteFileW(temporary_.c_str());
        failed_ = true;
        error_ = std::move(refusal);
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace vantrel::imaging
