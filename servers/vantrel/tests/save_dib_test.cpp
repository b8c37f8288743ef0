// Image delivery with real files and the real clipboard: what lands where, and what happens when it cannot.
#include "servers/vantrel/save_dib.h"

#include "tests/fixtures/child_process.h"
#include "tests/fixtures/clipboard_holder.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A DIB with a 40-byte header; pixel bytes count up so misplaced data shows.
struct Dib {
    int width;
    int height;
    int bits;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    bool sizeImageZero = false;

    std::uint32_t Stride() const { return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4); }
    std::uint32_t PixelBytes() const { return Stride() * static_cast<std::uint32_t>(height < 0 ? -height : height); }
    std::uint32_t TableBytes() const {
        if (bits > 8) return 0;
        return 4 * (colorsUsed ? colorsUsed : (1u << bits));
    }
    std::uint32_t MaskBytes() const { return compression == 3 ? 12 : 0; }

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> dib(40 + MaskBytes() + TableBytes() + PixelBytes(), 0);
        Put32(dib, 0, 40);
        Put32(dib, 4, static_cast<std::uint32_t>(width));
        Put32(dib, 8, static_cast<std::uint32_t>(height));
        dib[12] = 1;
        dib[14] = static_cast<std::uint8_t>(bits);
        Put32(dib, 16, compression);
        Put32(dib, 20, sizeImageZero ? 0 : PixelBytes());
        Put32(dib, 32, colorsUsed);
        if (compression == 3) {  // 5-6-5
            Put32(dib, 40, 0xF800);
            Put32(dib, 44, 0x07E0);
            Put32(dib, 48, 0x001F);
        }
        const std::size_t pixelsAt = 40 + MaskBytes() + TableBytes();
        for (std::size_t i = 40 + MaskBytes(); i < dib.size(); ++i) {
            const auto byte = static_cast<std::uint8_t>(i * 13 + 5);
            // With fewer colours in the table, 8-bit pixels may only name those.
            dib[i] = i >= pixelsAt && colorsUsed ? static_cast<std::uint8_t>(byte % colorsUsed) : byte;
        }
        return dib;
    }
};

// The expected file, computed here from the DIB's geometry alone.
std::vector<std::uint8_t> ExpectedFile(const Dib& dib) {
    const auto bytes = dib.Bytes();
    std::vector<std::uint8_t> file(14 + bytes.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 2, static_cast<std::uint32_t>(file.size()));
    Put32(file, 10, 14 + 40 + dib.MaskBytes() + dib.TableBytes());
    std::copy(bytes.begin(), bytes.end(), file.begin() + 14);
    return file;
}

UniqueGlobal Block(const std::vector<std::uint8_t>& bytes, std::size_t size = 0) {
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size ? size : bytes.size()));
    GlobalLock<std::uint8_t> data(block.get());
    std::memcpy(data.get(), bytes.data(), std::min<std::size_t>(bytes.size(), ::GlobalSize(block.get())));
    return block;
}

class SaveDibTest : public ::testing::Test {
protected:
    fixtures::TestDirectory scratch{L"delivery"};
    const fs::path directory = scratch.path();
};

// The header arithmetic is imaging/bmp's (tested and fuzzed there); here each file must hold that
// header and then the whole DIB, wherever it is written.
TEST_F(SaveDibTest, FilesHoldTheHeaderAndTheWholeDib) {
    const fs::path unicode = directory / L"\u30b9\u30ad\u30e3\u30f3";  // katakana "scan", outside the ANSI code page
    fs::create_directories(unicode);
    WriteAll(directory / L"8 bits.bmp", std::vector<std::uint8_t>(5000, 0xEE));  // replaced, not appended to
    const struct {
        fs::path path;
        Dib dib;
    } cases[] = {
        {directory / L"1 bit.bmp", {9, 3, 1}},
        {directory / L"8 bits.bmp", {5, 4, 8, 0, 0, true}},
        {directory / L"8 bits, 16 colours.bmp", {6, 2, 8, 0, 16}},
        {directory / L"16 bits, bit fields.bmp", {4, 4, 16, 3}},
        {unicode / L"\u0411\u0438\u043b\u0434.bmp", {3, -5, 24, 0, 0, true}},
        {directory / L"32 bits.bmp", {2, 2, 32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        auto block = Block(c.dib.Bytes());
        ASSERT_EQ(SaveDIB(block.get(), c.path.wstring()), Delivery::File);
        EXPECT_EQ(ReadAll(c.path), ExpectedFile(c.dib));
        EXPECT_NE(::GlobalSize(block.get()), 0u) << "delivery never frees the block";
    }
}

TEST_F(SaveDibTest, RefusalsLeaveNoFile) {
    const auto bytes = Dib{4, 4, 24}.Bytes();
    auto shortBlock = Block(bytes, 40 + 10);  // the header promises 48 pixel bytes
    EXPECT_EQ(SaveDIB(shortBlock.get(), (directory / L"short.bmp").wstring()), Delivery::Failed);
    EXPECT_FALSE(fs::exists(directory / L"short.bmp"));
    auto block = Block(bytes);
    EXPECT_EQ(SaveDIB(block.get(), (directory / L"missing" / L"x.bmp").wstring()), Delivery::Failed);
    EXPECT_FALSE(fs::exists(directory / L"missing"));
}

TEST_F(SaveDibTest, FileHeldOpenWithoutSharingIsLeftAlone) {
    const fs::path path = directory / L"held.bmp";
    const std::vector<std::uint8_t> earlier(100, 0x42);
    WriteAll(path, earlier);
    {
        UniqueFile held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        auto block = Block(Dib{4, 4, 24}.Bytes());
        EXPECT_EQ(SaveDIB(block.get(), path.wstring()), Delivery::Failed);
    }
    EXPECT_EQ(ReadAll(path), earlier);
}

// A tiny file system the test run mounts beside the build, when it can.
TEST_F(SaveDibTest, FullDiskGivesFailureAndNoPartialFile) {
    const char* tiny = std::getenv("VANTREL_TINY_FS");
    if (!tiny || !fs::exists(fs::path(tiny) / "mounted")) GTEST_SKIP() << "no tiny file system mounted for this run";
    const fs::path path = fs::path(tiny) / L"too-big.bmp";
    auto block = Block(Dib{200, 200, 24}.Bytes());  // 120 KB on a 64 KB file system
    EXPECT_EQ(SaveDIB(block.get(), path.wstring()), Delivery::Failed);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(SaveDibTest, EmptyNameHandsTheBlockToTheClipboard) {
    const Dib dib{8, 8, 24};
    UniqueGlobal block = Block(dib.Bytes());
    ASSERT_EQ(SaveDIB(block.get(), L""), Delivery::Clipboard);
    const HGLOBAL handed = block.release();  // the clipboard owns it now
    EXPECT_NE(::GlobalSize(handed), 0u);

    // Another process sees the DIB, and the bitmap the system makes of it.
    const fs::path report = directory / L"clipboard.txt";
    const fs::path reader = fixtures::ProgramDirectory() / L"clipboard_reader.exe";
    ASSERT_EQ(fixtures::RunAndWait(L"\"" + reader.wstring() + L"\" \"" + report.wstring() + L"\""), 0u);
    std::ifstream in(report);
    std::string dibLine, bitmapLine;
    std::getline(in, dibLine);
    std::getline(in, bitmapLine);
    EXPECT_EQ(dibLine, "CF_DIB " + std::to_string(dib.Bytes().size()) + " 8x8x24");
    EXPECT_EQ(bitmapLine, "CF_BITMAP 8x8");
}

TEST_F(SaveDibTest, BlankNameStillMeansAFile) {
    {
        OpenClipboardSession clipboard(nullptr);
        ASSERT_TRUE(clipboard);
        ::EmptyClipboard();
        UniqueGlobal marker(::GlobalAlloc(GMEM_MOVEABLE, 4));
        ASSERT_TRUE(::SetClipboardData(CF_PRIVATEFIRST, marker.get()));
        marker.release();
    }

    auto block = Block(Dib{2, 2, 24}.Bytes());
    EXPECT_NE(SaveDIB(block.get(), L"   "), Delivery::Clipboard);
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_PRIVATEFIRST)) << "the clipboard was not touched";
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_DIB));
}

TEST_F(SaveDibTest, ClipboardHeldByAnotherProgramFailsAndKeepsTheBlock) {
    fixtures::ClipboardHolder holder;
    ASSERT_TRUE(holder.holding());
    auto block = Block(Dib{2, 2, 24}.Bytes());
    EXPECT_EQ(SaveDIB(block.get(), L""), Delivery::Failed);
    EXPECT_NE(::GlobalSize(block.get()), 0u) << "the block stays the caller's";
}

}  // namespace
}  // namespace vantrel
