// Strips whose counts come from the input: the page must refuse what does not fit, never read or write past a buffer.
#include "engine/memory_page.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

template <typename T>
T Take(const std::uint8_t*& data, std::size_t& size) {
    T value{};
    const std::size_t n = size < sizeof value ? size : sizeof value;
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel::engine;
    MemoryPageLayout layout;
    layout.width = Take<std::uint16_t>(data, size) % 512;
    layout.length = static_cast<std::int16_t>(Take<std::uint16_t>(data, size)) % 512;
    const std::uint8_t kind = Take<std::uint8_t>(data, size) % 4;
    layout.pixelType = kind == 3 ? 1 : kind;
    layout.bitsPerPixel = kind == 0 ? 1 : kind == 1 ? 8 : kind == 2 ? 24 : 16;
    layout.chocolate = Take<std::uint8_t>(data, size) & 1;
    MemoryPage page;
    if (!page.Begin(layout)) return 0;
    for (int strips = 0; strips < 8 && size > 0; ++strips) {
        MemoryStrip strip;
        strip.compression = Take<std::uint8_t>(data, size) == 0xFF ? 1 : 0;
        strip.bytesPerRow = Take<std::uint16_t>(data, size);
        strip.columns = Take<std::uint16_t>(data, size);
        strip.rows = Take<std::uint16_t>(data, size);
        strip.xOffset = Take<std::uint16_t>(data, size);
        strip.yOffset = Take<std::uint16_t>(data, size);
        strip.bytesWritten = Take<std::uint32_t>(data, size);
        const std::size_t held = Take<std::uint16_t>(data, size) % 8192;
        const std::size_t available = held < size ? held : size;
        strip.bytes = std::span<const std::uint8_t>(data, available);
        if (!page.Add(strip)) break;
        data += available;
        size -= available;
    }
    auto done = page.Finish();
    if (done) {
        volatile std::uint8_t sink = 0;
        for (std::uint8_t byte : done->Bytes()) sink = static_cast<std::uint8_t>(sink ^ byte);
    }
    return 0;
}
