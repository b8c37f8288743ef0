// VantrelScan.dll's contract as clients meet it without a scanner: exports, type library, class
// object, the properties through the vtable, and the described refusals of bad values (those the
// script clients see are theirs).
#include "win32/com_apartment.h"
#include "servers/vantrel_scan/tests/scan_server.h"

#include <olectl.h>

#include <map>

namespace scan_tests {
namespace {

class ContractTest : public ::testing::Test {
protected:
    vantrel::ComApartment apartment;
    ScanServer server;
};

TEST_F(ContractTest, ExportsTheEntryPointsAndAVersionBlock) {
    ASSERT_TRUE(server.get());
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer", "DllInstall"};
    for (WORD ordinal = 1; ordinal <= std::size(names); ++ordinal)
        EXPECT_EQ(::GetProcAddress(server.get(), MAKEINTRESOURCEA(ordinal)), ::GetProcAddress(server.get(), names[ordinal - 1]))
            << names[ordinal - 1];
    const std::wstring path = ScanServer::Path().wstring();
    DWORD ignored = 0;
    std::vector<std::uint8_t> block(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const std::map<std::wstring, std::wstring> expected = {
        {L"FileDescription", L"Vantrel Scan"}, {L"OriginalFilename", L"VantrelScan.dll"}, {L"OLESelfRegister", L""}};
    for (const auto& [key, value] : expected) {
        void* text = nullptr;
        UINT size = 0;
        ASSERT_TRUE(::VerQueryValueW(block.data(), (L"\\StringFileInfo\\040904B0\\" + key).c_str(), &text, &size));
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(text)), value);
    }
}

// The type library is proven where it is used: registered by regsvr32 (registration_test.cpp),
// read for the names below, and bound by the script clients.
TEST_F(ContractTest, EveryMemberOfTheContractIsFoundByName) {
    auto scanner = server.NewObject();
    ASSERT_TRUE(scanner);
    const std::pair<const wchar_t*, DISPID> members[] = {
        {L"Sources", 1},      {L"Source", 2},      {L"SelectSource", 3},     {L"OwnerHwnd", 4},
        {L"ShowUI", 5},       {L"Resolution", 6},  {L"ColorMode", 7},        {L"PaperSize", 8},
        {L"Feeder", 9},       {L"Duplex", 10},     {L"MaxPages", 11},        {L"TransferMode", 12},
        {L"JpegQuality", 13}, {L"Capability", 14}, {L"CapabilityValues", 15}, {L"CapabilityKind", 16},
        {L"Scan", 17},        {L"PagesScanned", 18}, {L"Timeout", 19},         {L"Stop", 20},
        {L"Compression", 21}, {L"Recovered", 22}, {L"scan", 17},
        {L"PdfA", 31},        {L"Title", 32},      {L"Author", 33},          {L"Subject", 34},        {L"Keywords", 35}, {L"CleanupBy", 30}};
    for (const auto& [name, expected] : members) {
        DISPID id = DISPID_UNKNOWN;
        auto* text = const_cast<LPOLESTR>(name);
        EXPECT_EQ(scanner->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
        EXPECT_EQ(id, expected) << name;
    }
    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(scanner->QueryInterface(IID_IProvideClassInfo2, classInfo.put_void()), S_OK);
    GUID source{};
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    EXPECT_EQ(source, DIID_IScannerEvents);
}

TEST_F(ContractTest, ClassObjectServesOnlyScannerAndCountsForUnloading) {
    const auto getClassObject = server.Export<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    const auto canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID_IScanner, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(canUnloadNow(), S_OK);
    ASSERT_EQ(getClassObject(CLSID_Scanner, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
    ComPtr<IScanner> scanner;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IScanner, scanner.put_void()), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a living object counts";
    scanner.reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ContractTest, TheOneConnectionPointIsFoundListedAndGuarded) {
    auto scanner = server.NewObject();
    ASSERT_TRUE(scanner);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(scanner->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
    ComPtr<IConnectionPoint> found;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, found.put()), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(DIID_IScannerEvents, found.put()), S_OK);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    container.reset();
    IConnectionPoint* listed[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    const ComPtr<IConnectionPoint> point = ComPtr<IConnectionPoint>::adopt(listed[0]);
    EXPECT_EQ(point.get(), found.get());
    IID iid{};
    ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, DIID_IScannerEvents);
    ComPtr<IConnectionPointContainer> back;
    ASSERT_EQ(point->GetConnectionPointContainer(back.put()), S_OK);
    ComPtr<IUnknown> fromBack;
    ComPtr<IUnknown> fromScanner;
    back->QueryInterface(IID_IUnknown, fromBack.put_void());
    scanner->QueryInterface(IID_IUnknown, fromScanner.put_void());
    EXPECT_EQ(fromBack.get(), fromScanner.get());

    // A sink that is no IDispatch cannot connect; an unknown cookie is refused.
    ComPtr<IClassFactory> notASink;
    const auto getClassObject = server.Export<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ASSERT_EQ(getClassObject(CLSID_Scanner, IID_IClassFactory, notASink.put_void()), S_OK);
    DWORD cookie = 5;
    EXPECT_EQ(point->Advise(notASink.get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
}

TEST_F(ContractTest, NamesAreKeptInTheirCanonicalSpelling) {
    auto scanner = server.NewObject();
    ASSERT_TRUE(scanner);
    UniqueBstr text;
    using Get = HRESULT (STDMETHODCALLTYPE IScanner::*)(BSTR*);
    using Put = HRESULT (STDMETHODCALLTYPE IScanner::*)(BSTR);
    // The value read before any is put (nullptr: not checked here), the value put and how it reads back.
    const struct { Get get; Put put; const wchar_t *before, *given, *kept; } rows[] = {
        {&IScanner::get_ColorMode, &IScanner::put_ColorMode, nullptr, L"Grey", L"gray"},
        {&IScanner::get_PaperSize, &IScanner::put_PaperSize, nullptr, L"letter", L"Letter"},
        {&IScanner::get_TransferMode, &IScanner::put_TransferMode, nullptr, L"File", L"file"},
        {&IScanner::get_Compression, &IScanner::put_Compression, L"source", L"Ours", L"ours"},  // the scanner's unless told
        {&IScanner::get_CleanupBy, &IScanner::put_CleanupBy, L"auto", L"Source", L"source"},  // its own clean-up where it has it
    };
    for (const auto& row : rows) {
        if (row.before) {
            ASSERT_EQ((scanner.get()->*row.get)(text.put()), S_OK);
            EXPECT_EQ(Text(text.get()), row.before);
        }
        auto given = vantrel::MakeBstr(row.given);
        ASSERT_EQ((scanner.get()->*row.put)(given.get()), S_OK) << row.given;
        ASSERT_EQ((scanner.get()->*row.get)(text.put()), S_OK);
        EXPECT_EQ(Text(text.get()), row.kept);
    }
}

struct Refusal {
    const char* what;
    std::function<HRESULT(IScanner*)> put;
    const wchar_t* described;  // a part of the description
};

TEST_F(ContractTest, BadValuesAreRefusedWithADescriptionAndChangeNothing) {
    auto scanner = server.NewObject();
    ASSERT_TRUE(scanner);
    auto call = [](HRESULT (STDMETHODCALLTYPE IScanner::*put)(BSTR), const wchar_t* value) {
        return [put, value](IScanner* s) {
            auto text = vantrel::MakeBstr(value);
            return (s->*put)(text.get());
        };
    };
    const Refusal refusals[] = {
        {"PaperSize", call(&IScanner::put_PaperSize, L"A13"), L"A4"},
        {"TransferMode", call(&IScanner::put_TransferMode, L"tape"), L"\"native\", \"memory\" or \"file\""},
        {"Compression", call(&IScanner::put_Compression, L"both"), L"\"source\" or \"ours\""},
        {"PdfA", call(&IScanner::put_PdfA, L"3u"), L"\"1b\", \"2b\" or \"\""},
        {"CleanupBy", call(&IScanner::put_CleanupBy, L"scanner"), L"\"auto\", \"source\" or \"ours\""},
        {"MaxPages 0", [](IScanner* s) { return s->put_MaxPages(0); }, L"-1"},
        {"JpegQuality 0", [](IScanner* s) { return s->put_JpegQuality(0); }, L"1 to 100"},
        {"JpegQuality 101", [](IScanner* s) { return s->put_JpegQuality(101); }, L"1 to 100"},
        {"Resolution -5", [](IScanner* s) { return s->put_Resolution(-5); }, L"dots per inch"},
        {"Timeout -1", [](IScanner* s) { return s->put_Timeout(-1); }, L"Timeout must be 0"},
        {"Capability unknown", [](IScanner* s) {
             auto name = vantrel::MakeBstr(L"ICAP_NOTHING");
             return s->put_Capability(Str(name.get()), Long(1));
         }, L"\"ICAP_NOTHING\" is not the name of a TWAIN capability"},
        {"Capability not a number", [](IScanner* s) {
             auto name = vantrel::MakeBstr(L"ICAP_BRIGHTNESS");
             auto value = vantrel::MakeBstr(L"bright");
             return s->put_Capability(Str(name.get()), Str(value.get()));
         }, L"ICAP_BRIGHTNESS: The value must be a number"},
        {"Capability out of its type", [](IScanner* s) {
             auto name = vantrel::MakeBstr(L"CAP_XFERCOUNT");
             return s->put_Capability(Str(name.get()), Long(70000));
         }, L"from -32768 to 32767"},
    };
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(scanner->QueryInterface(IID_ISupportErrorInfo, support.put_void()), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IScanner), S_OK);
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        EXPECT_EQ(refusal.put(scanner.get()), E_INVALIDARG);
        EXPECT_NE(ErrorDescription().find(refusal.described), std::wstring::npos) << ErrorDescription();
    }
    LONG pages = 5;
    EXPECT_EQ(scanner->Scan(nullptr, &pages), E_INVALIDARG);
    EXPECT_EQ(pages, 0);
    EXPECT_NE(ErrorDescription().find(L"needs the path"), std::wstring::npos);
    auto unknownKind = vantrel::MakeBstr(L"C:\\scans\\doc.xyz");
    EXPECT_EQ(scanner->Scan(unknownKind.get(), &pages), E_INVALIDARG);
    EXPECT_NE(ErrorDescription().find(L"doc.xyz"), std::wstring::npos) << ErrorDescription();

    UniqueBstr text;
    LONG number = 0;
    scanner->get_PaperSize(text.put());
    EXPECT_EQ(Text(text.get()), L"");
    scanner->get_JpegQuality(&number);
    EXPECT_EQ(number, 85);
}

}  // namespace
}  // namespace scan_tests
