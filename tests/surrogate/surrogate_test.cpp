// A 64-bit client of the 32-bit servers through COM's surrogate: Vantrel.TWAIN and
// VantrelScan.Scanner created by CLSCTX_ALL run in a 32-bit dllhost.exe and reach the 32-bit
// sample scanner through Wine's 32-bit DSM; and which VantrelScan a 64-bit client gets once the
// 64-bit one is registered too.
#include "Vantrel_h.h"
#include "VantrelScan_h.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/message_box_watcher.h"
#include "win32/com_apartment.h"
#include "scanner/packed_dib.h"
#include "scanner/page_picture.h"
#include "scanner/scan_settings.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace surrogate_tests {
namespace {

namespace fs = std::filesystem;
using vantrel::ComPtr;
using vantrel::UniqueBstr;
using vantrel::UniqueVariant;

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

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The .bmp the sample scanner's flatbed page makes: the file header, then its packed DIB.
std::vector<std::uint8_t> ExpectedFlatbedBmp(int width, int height) {
    using namespace vantrel::scanner;
    const ColourMode mode = ColourMode::Colour;
    const auto layout = PlanDib(width, height, mode);
    if (!layout) return {};
    const PagePicture page({width, height, 1,
                            PageLines(1, Side::Front, ChartLabel({mode, width, height}), kDotsPerInch, false, 0, 0), 0, 0});
    std::vector<std::uint8_t> dib(layout->totalBytes);
    if (!WritePageDib(page, mode, *layout, dib, [](int) {})) return {};
    const auto header = BmpFileHeader(*layout);
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

// One DISPID call through IDispatch, as a script host makes it.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT> arguments, VARIANT* result) {
    auto* text = const_cast<LPOLESTR>(name);
    DISPID id = 0;
    if (const HRESULT hr = object->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) return hr;
    std::reverse(arguments.begin(), arguments.end());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{arguments.data(), kind == DISPATCH_PROPERTYPUT ? &named : nullptr,
                          static_cast<UINT>(arguments.size()), kind == DISPATCH_PROPERTYPUT ? 1u : 0u};
    EXCEPINFO error{};
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, &error, nullptr);
    ::SysFreeString(error.bstrSource);
    ::SysFreeString(error.bstrDescription);
    ::SysFreeString(error.bstrHelpFile);
    return hr;
}

// An argument by value; a text stays owned by the caller.
VARIANT Argument(VARTYPE type, LONG number, BSTR text = nullptr) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = type;
    if (type == VT_BSTR) v.bstrVal = text;
    else if (type == VT_BOOL) v.boolVal = number ? VARIANT_TRUE : VARIANT_FALSE;
    else v.lVal = number;
    return v;
}

// Answers every message box of any process from a thread of its own, noting its text and process:
// a server in COM's surrogate shows its boxes there.
class AnsweredBoxes {
public:
    AnsweredBoxes() : thread_([this] {
        std::set<HWND> answered;
        const auto record = [this](HWND window, const fixtures::SeenBox& box) {
            DWORD processId = 0;
            ::GetWindowThreadProcessId(window, &processId);
            const std::lock_guard<std::mutex> lock(mutex_);
            seen_.emplace_back(box.text, processId);
        };
        for (; !stop_; ::Sleep(50)) fixtures::AnswerEveryMessageBox(answered, record);
    }) {}
    ~AnsweredBoxes() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::pair<std::wstring, DWORD>> seen() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::wstring, DWORD>> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

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

// The surrogates a test starts, ended when it ends: Wine's surrogate never exits on its own.
class SurrogateReaper {
public:
    SurrogateReaper(const SurrogateReaper&) = delete;
    SurrogateReaper() = default;
    ~SurrogateReaper() {
        for (DWORD id : New()) {
            const vantrel::UniqueKernelObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process) continue;
            ::TerminateProcess(process.get(), 0);
            ::WaitForSingleObject(process.get(), 5000);
        }
    }
    std::set<DWORD> New() const {
        std::set<DWORD> started;
        for (DWORD id : RunningSurrogates())
            if (!before_.count(id)) started.insert(id);
        return started;
    }

private:
    const std::set<DWORD> before_ = RunningSurrogates();
};

class SurrogateTest : public ::testing::Test {
protected:
    // The one surrogate this test started, checked to be a 32-bit program; 0 when there is not exactly one.
    DWORD TheSurrogate() const {
        const std::set<DWORD> started = reaper.New();
        if (started.size() != 1) {
            ADD_FAILURE() << started.size() << " surrogates started";
            return 0;
        }
        const DWORD id = *started.begin();
        const vantrel::UniqueKernelObject process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        BOOL wow64 = FALSE;
        EXPECT_TRUE(process && ::IsWow64Process(process.get(), &wow64) && wow64) << "the server runs in the 32-bit dllhost.exe";
        return id;
    }

    LONG OwnerValue() const { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner.get())); }

    vantrel::ComApartment apartment;
    const fixtures::TestDirectory scratch{L"surrogate"};
    fixtures::ScopedEnvironment size{L"VANTREL_SCANNER_SIZE", L"64x48"};
    fixtures::ScopedEnvironment mode{L"VANTREL_SCANNER_MODE", L"color"};
    const vantrel::UniqueWindow owner{::CreateWindowW(L"STATIC", L"owner", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    SurrogateReaper reaper;
};

TEST_F(SurrogateTest, VantrelTwainAcquiresThe32BitScannersImage) {
    AnsweredBoxes boxes;
    ComPtr<_TWAIN> twain;
    ASSERT_EQ(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_ALL, IID__TWAIN, twain.put_void()), S_OK);
    EXPECT_EQ(::GetModuleHandleW(L"Vantrel.dll"), nullptr) << "not loaded into the 64-bit client";
    const DWORD server = TheSurrogate();
    const auto seen = boxes.seen();
    ASSERT_EQ(seen.size(), 1u) << "the construction box";
    EXPECT_EQ(seen[0].first, L"Initialize()");
    EXPECT_EQ(seen[0].second, server) << "shown by the server, in the surrogate";

    ASSERT_EQ(twain->put_OwnerHwnd(OwnerValue()), S_OK);
    ASSERT_EQ(twain->put_Interface(VARIANT_FALSE), S_OK);
    VARIANT_BOOL created = VARIANT_FALSE;
    ASSERT_EQ(twain->Create(&created), S_OK);
    ASSERT_EQ(created, VARIANT_TRUE) << "Wine's 32-bit DSM opens in the surrogate";
    const fs::path file = scratch / L"vtable.bmp";
    UniqueBstr name(::SysAllocString(file.c_str()));
    short acquired = 0;
    ASSERT_EQ(twain->Acquire(name.get(), &acquired), S_OK);
    EXPECT_EQ(acquired, 1);
    EXPECT_EQ(FileBytes(file), ExpectedFlatbedBmp(64, 48)) << "the 32-bit sample scanner's page, byte for byte";
    EXPECT_EQ(twain->Destroy(), S_OK);
}

// The 20-page duplex batch, as a 64-bit script host makes it, into a PDF the decoders read back.
TEST_F(SurrogateTest, VantrelScanScansTheDuplexBatchIntoOnePdf) {
    fixtures::ScopedEnvironment sheets{L"VANTREL_SCANNER_SHEETS", L"10"};
    fixtures::ScopedEnvironment pageSize{L"VANTREL_SCANNER_SIZE", L"160x120"};
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"VantrelScan.Scanner", &clsid), S_OK);
    ComPtr<IDispatch> scanner;
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, scanner.put_void()), S_OK);
    EXPECT_EQ(::GetModuleHandleW(L"VantrelScan.dll"), nullptr) << "not loaded into the 64-bit client";
    TheSurrogate();

    UniqueBstr gray(::SysAllocString(L"gray"));
    ASSERT_EQ(Call(scanner.get(), L"Feeder", DISPATCH_PROPERTYPUT, {Argument(VT_BOOL, 1)}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"Duplex", DISPATCH_PROPERTYPUT, {Argument(VT_BOOL, 1)}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"ColorMode", DISPATCH_PROPERTYPUT, {Argument(VT_BSTR, 0, gray.get())}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"Resolution", DISPATCH_PROPERTYPUT, {Argument(VT_I4, 100)}, nullptr), S_OK);

    const fs::path folder = EnvironmentValue(L"VANTREL_SCANNED_FILES");
    ASSERT_FALSE(folder.empty());
    fs::create_directories(folder);
    const fs::path file = folder / L"surrogate.pdf";
    UniqueBstr name(::SysAllocString(file.c_str()));
    UniqueVariant pages;
    ASSERT_EQ(Call(scanner.get(), L"Scan", DISPATCH_METHOD, {Argument(VT_BSTR, 0, name.get())}, pages.put()), S_OK);
    ASSERT_EQ(::VariantChangeType(pages.get(), pages.get(), 0, VT_I4), S_OK);
    EXPECT_EQ(pages.get()->lVal, 20);

    std::ofstream expected(folder / L"expected.txt");
    expected << "surrogate.pdf";
    for (int page = 1; page <= 20; ++page) expected << ' ' << page;
    expected << '\n';
}

// With the 64-bit VantrelScan.dll registered too, a 64-bit client loads it in-process and no
// surrogate starts; once it is removed again, the client is back on the 32-bit one.
TEST_F(SurrogateTest, The64BitServerWhenRegisteredElseThe32BitOne) {
    const fs::path native = fixtures::ProgramDirectory() / L"VantrelScan.dll";
    ASSERT_EQ(RegisterServer(native, false), 0u);
    {
        ComPtr<IScanner> scanner;
        ASSERT_EQ(::CoCreateInstance(CLSID_Scanner, nullptr, CLSCTX_ALL, IID_IScanner, scanner.put_void()), S_OK);
        EXPECT_NE(::GetModuleHandleW(native.c_str()), nullptr) << "the 64-bit server, in-process";
        EXPECT_TRUE(reaper.New().empty()) << "no surrogate";
        LONG resolution = 0;
        EXPECT_EQ(scanner->get_Resolution(&resolution), S_OK);
    }
    ASSERT_EQ(RegisterServer(native, false, true), 0u);
    ::CoFreeUnusedLibrariesEx(0, 0);

    ComPtr<IScanner> scanner;
    ASSERT_EQ(::CoCreateInstance(CLSID_Scanner, nullptr, CLSCTX_ALL, IID_IScanner, scanner.put_void()), S_OK);
    TheSurrogate();
    UniqueBstr gray(::SysAllocString(L"gray"));
    EXPECT_EQ(scanner->put_ColorMode(gray.get()), S_OK) << "called through the marshaller";
    UniqueBstr read;
    EXPECT_EQ(scanner->get_ColorMode(read.put()), S_OK);
    EXPECT_STREQ(read.get(), L"gray");
}

}  // namespace
}  // namespace surrogate_tests
