// A 64-bit client of the 32-bit servers through COM's surrogate: Vantrel.TWAIN and
// VantrelScan.Scanner created by CLSCTX_ALL run in a 32-bit dllhost.exe and reach the 32-bit
// sample scanner through Wine's 32-bit DSM; and which VantrelScan a 64-bit client gets once the
// 64-bit one is registered too. The run answers the servers' boxes (box_answerer).
#include "Vantrel_h.h"
#include "VantrelScan_h.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/com_apartment.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <filesystem>
#include <set>
#include <string>

namespace surrogate_tests {
namespace {

namespace fs = std::filesystem;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? value : L"";
}

// The 32-bit build's servers, given by the test's environment.
fs::path Win32Binary(const wchar_t* name) { return fs::path(EnvironmentValue(L"VANTREL_WIN32_BIN")) / name; }

// By the 32-bit regsvr32 where `wow64`, else the 64-bit one.
DWORD RegisterServer(const fs::path& dll, bool wow64, bool remove = false) {
    wchar_t folder[MAX_PATH] = {};
    (wow64 ? ::GetSystemWow64DirectoryW : ::GetSystemDirectoryW)(folder, MAX_PATH);
    return fixtures::RunAndWait(L"\"" + (fs::path(folder) / L"regsvr32.exe").wstring() +
                                (remove ? L"\" /u /s \"" : L"\" /s \"") + dll.wstring() + L"\"");
}

// Both 32-bit servers registered by the 32-bit regsvr32 for the whole run, removed at its end.
class Win32Servers : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_FALSE(EnvironmentValue(L"VANTREL_WIN32_BIN").empty()) << "VANTREL_WIN32_BIN names the 32-bit build's binaries";
        ASSERT_EQ(RegisterServer(Win32Binary(L"Vantrel.dll"), true), 0u);
        ASSERT_EQ(RegisterServer(Win32Binary(L"VantrelScan.dll"), true), 0u);
    }
    void TearDown() override {
        RegisterServer(Win32Binary(L"VantrelScan.dll"), true, true);
        RegisterServer(Win32Binary(L"Vantrel.dll"), true, true);
    }
};
const auto* const g_servers = ::testing::AddGlobalTestEnvironment(new Win32Servers);

std::set<DWORD> RunningSurrogates() {
    std::set<DWORD> found;
    const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (taken == INVALID_HANDLE_VALUE) return found;
    const vantrel::UniqueKernelObject snapshot(taken);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (::_wcsicmp(entry.szExeFile, L"dllhost.exe") == 0) found.insert(entry.th32ProcessID);
    return found;
}

class SurrogateTest : public ::testing::Test {
protected:
    // The surrogates started since the test began; the test run ends them (Wine's never exit).
    std::set<DWORD> NewSurrogates() const {
        std::set<DWORD> started;
        for (DWORD id : RunningSurrogates())
            if (!before.count(id)) started.insert(id);
        return started;
    }

    // Exactly one surrogate started by this test, a 32-bit program.
    void ExpectOne32BitSurrogate() const {
        const std::set<DWORD> started = NewSurrogates();
        ASSERT_EQ(started.size(), 1u) << "surrogates started";
        const vantrel::UniqueKernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *started.begin()));
        BOOL wow64 = FALSE;
        EXPECT_TRUE(process && ::IsWow64Process(process.get(), &wow64) && wow64) << "the server runs in the 32-bit dllhost.exe";
    }

    vantrel::ComApartment apartment;
    const fixtures::TestDirectory scratch{L"surrogate"};
    fixtures::ScopedEnvironment size{L"VANTREL_SCANNER_SIZE", L"64x48"};
    fixtures::ScopedEnvironment mode{L"VANTREL_SCANNER_MODE", L"color"};
    const vantrel::UniqueWindow owner{::CreateWindowW(L"STATIC", L"owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    const std::set<DWORD> before = RunningSurrogates();
};

TEST_F(SurrogateTest, VantrelTwainAcquiresThe32BitScannersImage) {
    ComPtr<_TWAIN> twain;
    ASSERT_EQ(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_ALL, IID__TWAIN, twain.put_void()), S_OK);
    EXPECT_EQ(::GetModuleHandleW(L"Vantrel.dll"), nullptr) << "not loaded into the 64-bit client";
    ExpectOne32BitSurrogate();

    ASSERT_EQ(twain->put_OwnerHwnd(static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner.get()))), S_OK);
    ASSERT_EQ(twain->put_Interface(VARIANT_FALSE), S_OK);
    VARIANT_BOOL created = VARIANT_FALSE;
    ASSERT_EQ(twain->Create(&created), S_OK);
    ASSERT_EQ(created, VARIANT_TRUE) << "Wine's 32-bit DSM opens in the surrogate";
    const fs::path file = scratch / L"vtable.bmp";
    UniqueBstr name(::SysAllocString(file.c_str()));
    short acquired = 0;
    ASSERT_EQ(twain->Acquire(name.get(), &acquired), S_OK);
    EXPECT_EQ(acquired, 1);
    std::error_code missing;
    EXPECT_EQ(fs::file_size(file, missing), 54u + 64u * 3u * 48u) << "the 32-bit sample scanner's 64 x 48 colour page";
    EXPECT_EQ(twain->Destroy(), S_OK);
}

// With the 64-bit VantrelScan.dll registered too, a 64-bit client loads it in-process and no
// surrogate starts; once it is removed again, the client is back on the 32-bit one, which scans.
TEST_F(SurrogateTest, The64BitServerWhenRegisteredElseThe32BitOne) {
    const fs::path native = fixtures::ProgramDirectory() / L"VantrelScan.dll";
    ASSERT_EQ(RegisterServer(native, false), 0u);
    {
        ComPtr<IScanner> scanner;
        ASSERT_EQ(::CoCreateInstance(CLSID_Scanner, nullptr, CLSCTX_ALL, IID_IScanner, scanner.put_void()), S_OK);
        EXPECT_NE(::GetModuleHandleW(native.c_str()), nullptr) << "the 64-bit server, in-process";
        EXPECT_TRUE(NewSurrogates().empty()) << "no surrogate";
    }
    ASSERT_EQ(RegisterServer(native, false, true), 0u);
    ::CoFreeUnusedLibrariesEx(0, 0);

    ComPtr<IScanner> scanner;
    ASSERT_EQ(::CoCreateInstance(CLSID_Scanner, nullptr, CLSCTX_ALL, IID_IScanner, scanner.put_void()), S_OK);
    ExpectOne32BitSurrogate();
    UniqueBstr gray(::SysAllocString(L"gray"));
    EXPECT_EQ(scanner->put_ColorMode(gray.get()), S_OK) << "called through the marshaller";
    UniqueBstr read;
    EXPECT_EQ(scanner->get_ColorMode(read.put()), S_OK);
    EXPECT_STREQ(read.get(), L"gray");
    const fs::path file = scratch / L"surrogate.pdf";
    UniqueBstr name(::SysAllocString(file.c_str()));
    LONG pages = 0;
    EXPECT_EQ(scanner->Scan(name.get(), &pages), S_OK);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(fs::exists(file));
}

}  // namespace
}  // namespace surrogate_tests
