// A 64-bit client of the 32-bit servers through COM's surrogate: Vantrel.TWAIN and
// VantrelScan.Scanner created by CLSCTX_ALL run in a 32-bit dllhost.exe and reach the 32-bit
// sample scanner through Wine's 32-bit DSM; and which VantrelScan a 64-bit client gets once the
// 64-bit one is registered too.
#include "Vantrel_h.h"
#include "VantrelScan_h.h"
#include "tests/surrogate/answered_boxes.h"
#include "tests/fixtures/child_process.h"
#include "win32/com_apartment.h"
#include "scanner/packed_dib.h"
#include "scanner/page_picture.h"
#include "scanner/scan_settings.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/surrogate/surrogate_processes.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
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

std::wstring Regsvr32(bool wow64) {
    wchar_t folder[MAX_PATH] = {};
    if (wow64) {
        ::GetSystemWow64DirectoryW(folder, MAX_PATH);
    } else {
        ::GetSystemDirectoryW(folder, MAX_PATH);
    }
    return L"\"" + (fs::path(folder) / L"regsvr32.exe").wstring() + L"\"";
}

DWORD RegisterServer(const fs::path& dll, bool wow64, bool remove = false) {
    return fixtures::RunAndWait(Regsvr32(wow64) + (remove ? L" /u /s \"" : L" /s \"") + dll.wstring() + L"\"");
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

VARIANT Long(LONG value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Bool(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// The text stays owned by the caller's UniqueBstr.
VARIANT Text(const UniqueBstr& text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text.get();
    return v;
}

class SurrogateTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VantrelSurrogateOwner";
        ::RegisterClassW(&wc);
        owner.reset(::CreateWindowW(wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                    wc.hInstance, nullptr));
    }

    // The one surrogate this test started, checked to be a 32-bit program; 0 when there is not exactly one.
    DWORD TheSurrogate() const {
        const std::set<DWORD> started = reaper.New();
        if (started.size() != 1) {
            ADD_FAILURE() << started.size() << " surrogates started";
            return 0;
        }
        const DWORD id = *started.begin();
        EXPECT_TRUE(IsWow64Program(id)) << "the server runs in the 32-bit dllhost.exe";
        return id;
    }

    LONG OwnerValue() const { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(owner.get())); }

    vantrel::ComApartment apartment;
    const fixtures::TestDirectory scratch{L"surrogate"};
    fixtures::ScopedEnvironment size{L"VANTREL_SCANNER_SIZE", L"64x48"};
    fixtures::ScopedEnvironment mode{L"VANTREL_SCANNER_MODE", L"color"};
    vantrel::UniqueWindow owner;
    SurrogateReaper reaper;
};

TEST_F(SurrogateTest, VantrelTwainByVtableAcquiresThe32BitScannersImage) {
    AnsweredBoxes boxes;
    ComPtr<_TWAIN> twain;
    ASSERT_EQ(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_ALL, IID__TWAIN, twain.put_void()), S_OK);
    EXPECT_EQ(::GetModuleHandleW(L"Vantrel.dll"), nullptr) << "not loaded into the 64-bit client";
    const DWORD server = TheSurrogate();
    const std::vector<AnsweredBox> seen = boxes.seen();
    ASSERT_EQ(seen.size(), 1u) << "the construction box";
    EXPECT_EQ(seen[0].text, L"Initialize()");
    EXPECT_EQ(seen[0].processId, server) << "shown by the server, in the surrogate";

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

TEST_F(SurrogateTest, VantrelTwainByIDispatchAcquiresThe32BitScannersImage) {
    AnsweredBoxes boxes;
    ComPtr<IDispatch> twain;
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Vantrel.TWAIN", &clsid), S_OK);
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, twain.put_void()), S_OK);
    TheSurrogate();
    ASSERT_EQ(boxes.seen().size(), 1u);

    ASSERT_EQ(Call(twain.get(), L"OwnerHwnd", DISPATCH_PROPERTYPUT, {Long(OwnerValue())}, nullptr), S_OK);
    ASSERT_EQ(Call(twain.get(), L"Interface", DISPATCH_PROPERTYPUT, {Bool(false)}, nullptr), S_OK);
    UniqueVariant created;
    ASSERT_EQ(Call(twain.get(), L"Create", DISPATCH_METHOD, {}, created.put()), S_OK);
    EXPECT_EQ(created.get()->vt, VT_BOOL);
    ASSERT_EQ(created.get()->boolVal, VARIANT_TRUE);
    const fs::path file = scratch / L"idispatch.bmp";
    UniqueBstr name(::SysAllocString(file.c_str()));
    UniqueVariant acquired;
    ASSERT_EQ(Call(twain.get(), L"Acquire", DISPATCH_METHOD, {Text(name)}, acquired.put()), S_OK);
    EXPECT_EQ(acquired.get()->vt, VT_I2);
    EXPECT_EQ(acquired.get()->iVal, 1);
    EXPECT_EQ(FileBytes(file), ExpectedFlatbedBmp(64, 48));
    EXPECT_EQ(Call(twain.get(), L"Destroy", DISPATCH_METHOD, {}, nullptr), S_OK);
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
    ASSERT_EQ(Call(scanner.get(), L"Feeder", DISPATCH_PROPERTYPUT, {Bool(true)}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"Duplex", DISPATCH_PROPERTYPUT, {Bool(true)}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"ColorMode", DISPATCH_PROPERTYPUT, {Text(gray)}, nullptr), S_OK);
    ASSERT_EQ(Call(scanner.get(), L"Resolution", DISPATCH_PROPERTYPUT, {Long(100)}, nullptr), S_OK);

    const fs::path folder = EnvironmentValue(L"VANTREL_SCANNED_FILES");
    ASSERT_FALSE(folder.empty());
    fs::create_directories(folder);
    const fs::path file = folder / L"surrogate.pdf";
    UniqueBstr name(::SysAllocString(file.c_str()));
    UniqueVariant pages;
    ASSERT_EQ(Call(scanner.get(), L"Scan", DISPATCH_METHOD, {Text(name)}, pages.put()), S_OK);
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
