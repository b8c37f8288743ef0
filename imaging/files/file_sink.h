// A file written under a temporary name beside its target and moved over it only when complete.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/byte_sink.h"
#include "win32/win32_owners.h"

namespace vantrel::imaging {

class FileSink final : public ByteSink {
public:
    // Creates ".<name>.~vantrel-<pid>-<n>.tmp" in the target's folder (the final move is then a rename on
    // one volume). Null with `error` set ("Cannot write "<target>": the folder does not exist.") when it
    // cannot be created.
    static std::unique_ptr<FileSink> Create(std::wstring_view target, std::wstring& error);
    // Deletes the temporary file unless it was committed: a failed write never leaves a partial file.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Buffered; the first failure sticks and Error() names it.
    bool Append(std::span<const std::uint8_t> bytes) override;
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    std::uint64_t Size() const override { return size_; }

    // Writes what is buffered and, with `toDisk`, asks the system to put it on the disk (FlushFileBuffers)
    // before returning: a page counts as stored only then, so a crash, a kill or a power cut after it keeps
    // the page. False with Error() set when either fails.
    bool Checkpoint(bool toDisk = true);

    // Writes what is buffered, flushes it to the disk, closes the file and moves it over the target
    // (replacing an existing file). False with Error() set when any step fails; the target is then as
    // it was and the temporary file is gone.
    bool Commit();

    const std::wstring& Error() const { return error_; }
    const std::wstring& Target() const { return target_; }
    const std::wstring& TemporaryPath() const { return temporary_; }

private:
    FileSink(std::wstring target, std::wstring temporary, UniqueFile file);
    bool Flush();
    bool Fail(DWORD error);

    std::wstring target_;
    std::wstring temporary_;
    UniqueFile file_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t flushed_ = 0;  // bytes already in the file; the buffer holds the ones after them
    std::uint64_t size_ = 0;
    bool failed_ = false;
    bool committed_ = false;
    std::wstring error_;
};

}  // namespace vantrel::imaging
