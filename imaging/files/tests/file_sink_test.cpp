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
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::size_t Entries(const fs::path& directory) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
}

std::wstring Refusal(const fs::path& target, const wchar_t* why) { return L"Cannot write \"" + target.wstring() + L"\": " + why; }

const Bytes kOld{1, 1, 2, 3, 5};
void Old(const fs::path& target, UniqueFile&) { WriteFile(target, kOld); }
void ReadOnly(const fs::path& target, UniqueFile&) { ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY)); }

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

    // More than the buffer holds, in small and large pieces, with patches in the file and in the buffer.
    Bytes expected;
    const auto append = [&](const Bytes& piece) {
        ASSERT_TRUE(sink->Append(piece));
        expected.insert(expected.end(), piece.begin(), piece.end());
    };
    for (int i = 0; i < 3000; ++i) append(Bytes(static_cast<std::size_t>(1 + i % 700), static_cast<std::uint8_t>(i)));
    append(Bytes(3 << 20, 0x5A));
    append({9, 9, 9});
    const Bytes patch{0xDE, 0xAD, 0xBE, 0xEF};
    for (const std::uint64_t at : {std::uint64_t{0}, std::uint64_t{1000001}, std::uint64_t{expected.size() - 4}}) {
        ASSERT_TRUE(sink->Patch(at, patch));
        std::copy(patch.begin(), patch.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    }
    EXPECT_FALSE(sink->Patch(expected.size() - 2, patch));  // past the end
    append({7});
    EXPECT_EQ(sink->Size(), expected.size());

    EXPECT_EQ(ReadFile(target), (Bytes{1, 2, 3}));  // untouched until the commit
    ASSERT_TRUE(sink->Commit()) << fs::path(sink->Error()).string();
    EXPECT_EQ(ReadFile(target), expected);
    sink.reset();
    EXPECT_EQ(Entries(directory.path()), 1u);  // no temporary file left
}

// Each refusal, at the start or at the move into place, in its words; what was there before stays as it was.
TEST_F(FileSinkTest, EachRefusalSaysWhyAndLeavesWhatWasThere) {
    using Step = void (*)(const fs::path& target, UniqueFile& holder);
    struct Case {
        const wchar_t* name;
        Step before;        // before Create
        Step beforeCommit;  // null: Create refuses
        const wchar_t* why;
    };
    const Case cases[] = {
        {L"no such folder\\doc.pdf", nullptr, nullptr, L"the folder does not exist."},
        {L"a<b>|c.pdf", nullptr, nullptr, L"the name is not a valid file name."},
        {L"read-only.png", [](const fs::path& t, UniqueFile& h) { Old(t, h); ReadOnly(t, h); }, nullptr, L"the file is read-only."},
        {L"folder.pdf", [](const fs::path& t, UniqueFile&) { fs::create_directory(t); }, nullptr, L"a folder has that name."},
        {L"locked.tif",
         [](const fs::path& t, UniqueFile& h) {
             Old(t, h);
             h.reset(::CreateFileW(t.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
         },
         [](const fs::path&, UniqueFile&) {}, L"the file is in use by another program."},
        {L"made-read-only.png", Old, ReadOnly, L"the file is read-only."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fs::path(c.name).string());
        const fs::path target = directory / c.name;
        UniqueFile holder;
        if (c.before) c.before(target, holder);
        const std::size_t entries = Entries(directory.path());
        std::wstring error;
        auto sink = FileSink::Create(target.wstring(), error);
        if (!c.beforeCommit) {
            EXPECT_FALSE(sink);
            EXPECT_EQ(error, Refusal(target, c.why));
        } else {
            ASSERT_TRUE(sink && sink->Append(Bytes(100, 8)));
            c.beforeCommit(target, holder);
            EXPECT_FALSE(sink->Commit());
            EXPECT_EQ(sink->Error(), Refusal(target, c.why));
            sink.reset();
        }
        holder.reset();
        EXPECT_EQ(Entries(directory.path()), entries);
        if (fs::is_regular_file(target)) {
            EXPECT_EQ(ReadFile(target), kOld);
        }
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(FileSinkTest, AFullDiskIsSaidSoAndLeavesNoFile) {
    const char* tiny = std::getenv("VANTREL_TINY_FS");
    if (!tiny || !fs::exists(fs::path(tiny) / "mounted")) GTEST_SKIP() << "no tiny file system mounted for this run";
    const fs::path target = fs::path(tiny) / L"too-big.tif";
    std::wstring error;
    auto sink = FileSink::Create(target.wstring(), error);
    ASSERT_TRUE(sink) << fs::path(error).string();
    bool written = true;
    for (int i = 0; i < 4 && written; ++i) written = sink->Append(Bytes(64 << 10, 3));  // 256 KB on 64 KB
    EXPECT_FALSE(written && sink->Commit());
    EXPECT_EQ(sink->Error(), Refusal(target, L"the disk is full."));
    const fs::path temporary = sink->TemporaryPath();
    sink.reset();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(temporary));
}

}  // namespace
}  // namespace vantrel::imaging
