// Where a writer puts a file's bytes: appended in order, with earlier bytes patched in place
// (a TIFF's next-IFD offset is known only after the next page).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vantrel::imaging {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Each returns false when the bytes could not be stored; the sink's content is then undefined.
    virtual bool Append(std::span<const std::uint8_t> bytes) = 0;
    virtual bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    virtual std::uint64_t Size() const = 0;
};

// The whole file in memory: for tests, fuzzing and small files.
class MemorySink final : public ByteSink {
public:
    bool Append(std::span<const std::uint8_t> bytes) override {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
        if (offset > data_.size() || bytes.size() > data_.size() - offset) return false;
        std::copy(bytes.begin(), bytes.end(), data_.begin() + static_cast<std::ptrdiff_t>(offset));
        return true;
    }
    std::uint64_t Size() const override { return data_.size(); }
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

}  // namespace vantrel::imaging
