// The file sink on real files under Wine: buffered writes and patches, the move into place, and each failure's words.
#include "imaging/files/file_sink.h"

#include "tests/fixtures/test_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vantrel::imaging {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::size_t Entries(const fs::path& directory) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

class FileSinkTest : public ::testing::Test {
protected:
    fixtures::TestDirectory directory{L"file-sink"};
};

TEST_F(FileSinkTest, WritesUnderATemporaryNameAndMovesItOverTheTarget) {
    const fs::path target = directory / L"r\u00e9sum\u00e9 \u65e5\u672c.bin";
    WriteFile(target, {1, 2, 3});
    std::wstring error;
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink) << fs::path(error).string();
    EXPECT_EQ(fs::path(sink->TemporaryPath()).parent_path(), target.parent_path());
    EXPECT_TRUE(fs::exists(sink->TemporaryPath()));

    // More than the buffer holds, in small and large pieces, with patches in the file and in the buffer.
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::uint8_t> piece(static_cast<std::size_t>(1 + i % 700), static_cast<std::uint8_t>(i));
        ASSERT_TRUE(sink->Append(piece));
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    std::vector<std::uint8_t> big(3 << 20, 0x5A);
    ASSERT_TRUE(sink->Append(big));
    expected.insert(expected.end(), big.begin(), big.end());
    ASSERT_TRUE(sink->Append(std::vector<std::uint8_t>{9, 9, 9}));
    expected.insert(expected.end(), {9, 9, 9});
    const std::vector<std::uint8_t> patch{0xDE, 0xAD, 0xBE, 0xEF};
    for (const std::uint64_t at : {std::uint64_t{0}, std::uint64_t{1000001}, std::uint64_t{expected.size() - 4}}) {
        ASSERT_TRUE(sink->Patch(at, patch));
        std::copy(patch.begin(), patch.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    }
    EXPECT_FALSE(sink->Patch(expected.size() - 2, patch));  // past the end
    ASSERT_TRUE(sink->Append(std::vector<std::uint8_t>{7}));
    expected.push_back(7);
    EXPECT_EQ(sink->Size(), expected.size());

    EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{1, 2, 3}));  // untouched until the commit
    ASSERT_TRUE(sink->Commit()) << fs::path(sink->Error()).string();
    EXPECT_EQ(ReadFile(target), expected);
    sink.reset();
    EXPECT_EQ(Entries(directory.path()), 1u);  // no temporary file left
}

TEST_F(FileSinkTest, WithoutCommitNothingIsLeftAndTheOldFileStays) {
    const fs::path target = directory / L"keep.pdf";
    WriteFile(target, {4, 5, 6});
    std::wstring error;
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(sink->Append(std::vector<std::uint8_t>(5000, 1)));
    sink.reset();
    EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{4, 5, 6}));
    EXPECT_EQ(Entries(directory.path()), 1u);
}

TEST_F(FileSinkTest, AMissingFolderOrAnInvalidNameIsRefusedAtOnce) {
    std::wstring error;
    const fs::path missing = directory / L"no such folder" / L"doc.pdf";
    EXPECT_FALSE(FileSink::Create(missing.wstring(), error));
    EXPECT_EQ(error, L"Cannot write \"" + missing.wstring() + L"\": the folder does not exist.");

    const fs::path invalid = directory / L"a<b>|c.pdf";
    EXPECT_FALSE(FileSink::Create(invalid.wstring(), error));
    EXPECT_EQ(error, L"Cannot write \"" + invalid.wstring() + L"\": the name is not a valid file name.");
    EXPECT_EQ(Entries(directory.path()), 0u);
}

TEST_F(FileSinkTest, ALockedTargetStaysAsItWas) {
    const fs::path target = directory / L"locked.tif";
    WriteFile(target, {1, 1, 2, 3, 5});
    UniqueFile holder(::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    std::wstring error;
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(sink->Append(std::vector<std::uint8_t>(100, 8)));
    EXPECT_FALSE(sink->Commit());
    EXPECT_EQ(sink->Error(), L"Cannot write \"" + target.wstring() + L"\": the file is in use by another program.");
    holder.reset();
    sink.reset();
    EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{1, 1, 2, 3, 5}));
    EXPECT_EQ(Entries(directory.path()), 1u);
}

TEST_F(FileSinkTest, AReadOnlyTargetOrAFolderIsRefusedBeforeAnythingIsWritten) {
    const fs::path target = directory / L"read-only.png";
    WriteFile(target, {42});
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    std::wstring error;
    EXPECT_FALSE(FileSink::Create(target.wstring(), error));
    EXPECT_EQ(error, L"Cannot write \"" + target.wstring() + L"\": the file is read-only.");

    // Made read-only while the page was written: the move is refused and the file stays.
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL));
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink);
    ASSERT_TRUE(sink->Append(std::vector<std::uint8_t>(10, 1)));
    ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(sink->Commit());
    EXPECT_EQ(sink->Error(), L"Cannot write \"" + target.wstring() + L"\": the file is read-only.");
    sink.reset();
    EXPECT_EQ(ReadFile(target), (std::vector<std::uint8_t>{42}));
    ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);

    fs::create_directory(directory / L"folder.pdf");
    EXPECT_FALSE(FileSink::Create((directory / L"folder.pdf").wstring(), error));
    EXPECT_EQ(error, L"Cannot write \"" + (directory / L"folder.pdf").wstring() + L"\": a folder has that name.");
    EXPECT_EQ(Entries(directory.path()), 2u);
}

TEST_F(FileSinkTest, AFullDiskIsSaidSoAndLeavesNoFile) {
    const char* tiny = std::getenv("VANTREL_TINY_FS");
    if (!tiny || !fs::exists(fs::path(tiny) / "mounted")) GTEST_SKIP() << "no tiny file system mounted for this run";
    const fs::path target = fs::path(tiny) / L"too-big.tif";
    std::wstring error;
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink) << fs::path(error).string();
    bool written = true;
    for (int i = 0; i < 4 && written; ++i) written = sink->Append(std::vector<std::uint8_t>(64 << 10, 3));  // 256 KB on 64 KB
    EXPECT_FALSE(written && sink->Commit());
    EXPECT_EQ(sink->Error(), L"Cannot write \"" + target.wstring() + L"\": the disk is full.");
    const fs::path temporary = sink->TemporaryPath();
    sink.reset();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(temporary));
}

}  // namespace
}  // namespace vantrel::imaging
