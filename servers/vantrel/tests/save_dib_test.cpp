// Image delivery with real files and the real clipboard: what lands where, and what happens when it cannot.
#include "servers/vantrel/save_dib.h"

#include "servers/vantrel/tests/sample_dib.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/clipboard_holder.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using tests::Dib;

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, std::size_t size, char byte) { std::ofstream(path, std::ios::binary) << std::string(size, byte); }

UniqueGlobal Block(const Dib& dib, std::size_t size = 0) {
    const auto bytes = dib.Bytes();
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size ? size : bytes.size()));
    GlobalLock<std::uint8_t> data(block.get());
    std::memcpy(data.get(), bytes.data(), std::min<std::size_t>(bytes.size(), ::GlobalSize(block.get())));
    return block;
}

class SaveDibTest : public ::testing::Test {
protected:
    fixtures::TestDirectory directory{L"delivery"};
};

// The header arithmetic is imaging/bmp's (tested and fuzzed there); here each file must hold that
// header and then the whole DIB, wherever it is written.
TEST_F(SaveDibTest, FilesHoldTheHeaderAndTheWholeDib) {
    const fs::path unicode = directory / L"\u30b9\u30ad\u30e3\u30f3";  // katakana "scan", outside the ANSI code page
    fs::create_directories(unicode);
    WriteAll(directory / L"8 bits.bmp", 5000, '\xEE');  // replaced, not appended to
    const struct {
        fs::path path;
        Dib dib;
    } cases[] = {
        {directory / L"1 bit.bmp", {9, 3, 1}},
        {directory / L"8 bits.bmp", {5, 4, 8, true}},
        {unicode / L"\u0411\u0438\u043b\u0434.bmp", {3, -5, 24, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        auto block = Block(c.dib);
        ASSERT_EQ(SaveDIB(block.get(), c.path.wstring()), Delivery::File);
        const auto dib = c.dib.Bytes();
        std::vector<std::uint8_t> expected(14 + dib.size(), 0);
        expected[0] = 'B';
        expected[1] = 'M';
        tests::Put32(expected, 2, static_cast<std::uint32_t>(expected.size()));
        tests::Put32(expected, 10, 14 + 40 + c.dib.TableBytes());
        std::copy(dib.begin(), dib.end(), expected.begin() + 14);
        EXPECT_EQ(ReadAll(c.path), expected);
        EXPECT_NE(::GlobalSize(block.get()), 0u) << "delivery never frees the block";
    }
}

// Each refusal leaves no file (or the earlier one as it was) and the block the caller's. The full
// disk is a tiny file system the test run mounts beside the build, when it can.
TEST_F(SaveDibTest, RefusalsLeaveTheFileAsItWasAndTheBlockTheCallers) {
    const fs::path held = directory / L"held.bmp";
    WriteAll(held, 100, 0x42);
    UniqueFile holding(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holding);
    fixtures::ClipboardHolder clipboard;
    ASSERT_TRUE(clipboard.holding());
    struct Case {
        const char* name;
        fs::path path;
        Dib dib;
        std::size_t blockSize = 0;
    };
    std::vector<Case> cases = {
        {"a block shorter than its header says", directory / L"short.bmp", {4, 4, 24}, 40 + 10},
        {"a missing directory", directory / L"missing" / L"x.bmp", {4, 4, 24}},
        {"a file held open without sharing", held, {4, 4, 24}},
        {"the clipboard held by another program", L"", {2, 2, 24}},
    };
    const char* tiny = std::getenv("VANTREL_TINY_FS");
    if (tiny && fs::exists(fs::path(tiny) / "mounted")) cases.push_back({"a full disk", fs::path(tiny) / L"big.bmp", {200, 200, 24}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto block = Block(c.dib, c.blockSize);
        EXPECT_EQ(SaveDIB(block.get(), c.path.wstring()), Delivery::Failed);
        EXPECT_EQ(fs::exists(c.path), c.path == held);
        EXPECT_NE(::GlobalSize(block.get()), 0u);
    }
    EXPECT_FALSE(fs::exists(directory / L"missing"));
    holding.reset();
    EXPECT_EQ(ReadAll(held), std::vector<std::uint8_t>(100, 0x42));
}

// Only the empty name means the clipboard; a blank one is still a file's.
TEST_F(SaveDibTest, EmptyNameHandsTheBlockToTheClipboard) {
    const Dib dib{8, 8, 24};
    UniqueGlobal blank = Block(dib);
    EXPECT_NE(SaveDIB(blank.get(), L"   "), Delivery::Clipboard);
    UniqueGlobal block = Block(dib);
    ASSERT_EQ(SaveDIB(block.get(), L""), Delivery::Clipboard);
    EXPECT_NE(::GlobalSize(block.release()), 0u) << "the clipboard owns it now";

    // Another process sees the DIB, and the bitmap the system makes of it.
    const fs::path report = directory / L"clipboard.txt";
    const fs::path reader = fixtures::ProgramDirectory() / L"clipboard_reader.exe";
    ASSERT_EQ(fixtures::RunAndWait(L"\"" + reader.wstring() + L"\" \"" + report.wstring() + L"\""), 0u);
    std::ifstream in(report);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "CF_DIB " + std::to_string(dib.Bytes().size()) + " 8x8x24\nCF_BITMAP 8x8\n");
}

}  // namespace
}  // namespace vantrel
