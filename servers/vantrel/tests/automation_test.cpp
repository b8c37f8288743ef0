// Vantrel.dll as clients meet it: exports, type library, class object, vtable and IDispatch calls, registration.
#include "Vantrel_h.h"
#include "tests/fixtures/child_process.h"
#include "win32/com_apartment.h"
#include "tests/fixtures/loaded_server.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/test_directory.h"
#include "tests/fixtures/type_info_loans.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using namespace twain;
using fixtures::MessageBoxWatcher;
using standin::StandInDsm;

const std::wstring kDll = fixtures::LoadedServer::Path().wstring();

class AutomationTest : public ::testing::Test {
protected:
    void TearDown() override { standin::ExpectOnlyScriptedRequests(dsm); }

    ComPtr<_TWAIN> NewObject() const {
        HRESULT status = E_FAIL;
        ComPtr<_TWAIN> object = server.NewObject(&status);
        EXPECT_EQ(status, S_OK);
        return object;
    }

    ComApartment apartment;
    MessageBoxWatcher boxes;
    StandInDsm dsm;
    fixtures::LoadedServer server;
};

TEST_F(AutomationTest, ExportsItsEntryPointsByOrdinal) {
    ASSERT_TRUE(server.get());
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer",
                           "DllInstall"};
    for (WORD ordinal = 1; ordinal <= std::size(names); ++ordinal) {
        const FARPROC byOrdinal = ::GetProcAddress(server.get(), MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(byOrdinal, nullptr);
        EXPECT_EQ(byOrdinal, ::GetProcAddress(server.get(), names[ordinal - 1])) << names[ordinal - 1];
    }
}

TEST_F(AutomationTest, ResourcesHoldTheInterfaceIdentifierAndTheVersionStrings) {
    const HRSRC resource = ::FindResourceW(server.get(), MAKEINTRESOURCEW(1), L"_IID_TWAIN");
    ASSERT_NE(resource, nullptr);
    ASSERT_EQ(::SizeofResource(server.get(), resource), 20u);
    const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(server.get(), resource)));
    std::uint32_t length = 0;
    std::memcpy(&length, bytes, 4);
    EXPECT_EQ(length, 16u);
    EXPECT_EQ(std::memcmp(bytes + 4, &IID__TWAIN, 16), 0);

    DWORD ignored = 0;
    std::vector<std::uint8_t> block(::GetFileVersionInfoSizeW(kDll.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(kDll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const std::map<std::wstring, std::wstring> expected = {
        {L"CompanyName", L"Marlowbridge"}, {L"FileDescription", L"Vantrel"}, {L"ProductName", L"Vantrel"},
        {L"FileVersion", L"1.00"},         {L"ProductVersion", L"1.00"},    {L"InternalName", L"Vantrel"},
        {L"OriginalFilename", L"Vantrel.dll"}, {L"OLESelfRegister", L""}};
    for (const auto& [key, value] : expected) {
        void* text = nullptr;
        UINT size = 0;
        const std::wstring path = L"\\StringFileInfo\\040904B0\\" + key;
        ASSERT_TRUE(::VerQueryValueW(block.data(), path.c_str(), &text, &size)) << key.c_str();
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(text)), value) << key.c_str();
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

struct Member {
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID id;
    short slot;
    short parameters;
    VARTYPE value;  // VT_EMPTY: no value
    const wchar_t* help;
};

const wchar_t kAppHelp[] = L"Returns/sets the calling application of the TWAIN interface.";
const wchar_t kUiHelp[] = L"Returns/sets a value that determines whether the TWAIN interface is shown or not.";
const wchar_t kOwnerHelp[] = L"Returns/sets the handle of the owner window.";
const wchar_t kProgressHelp[] = L"Returns/sets a value that determines whether the progress dialog is shown or not.";

const Member kMembers[] = {
    {L"Application", INVOKE_PROPERTYGET, 0x68030004, 7, 0, VT_BSTR, kAppHelp},
    {L"Application", INVOKE_PROPERTYPUT, 0x68030004, 8, 1, VT_EMPTY, kAppHelp},
    {L"Interface", INVOKE_PROPERTYGET, 0x68030003, 9, 0, VT_BOOL, kUiHelp},
    {L"Interface", INVOKE_PROPERTYPUT, 0x68030003, 10, 1, VT_EMPTY, kUiHelp},
    {L"OwnerHwnd", INVOKE_PROPERTYGET, 0x68030002, 11, 0, VT_I4, kOwnerHelp},
    {L"OwnerHwnd", INVOKE_PROPERTYPUT, 0x68030002, 12, 1, VT_EMPTY, kOwnerHelp},
    {L"ProgressDialog", INVOKE_PROPERTYGET, 0x68030001, 13, 0, VT_BOOL, kProgressHelp},
    {L"ProgressDialog", INVOKE_PROPERTYPUT, 0x68030001, 14, 1, VT_EMPTY, kProgressHelp},
    {L"Version", INVOKE_PROPERTYGET, 0x68030000, 15, 0, VT_BSTR, L"Returns the version of the used TWAIN standard."},
    {L"Acquire", INVOKE_FUNC, 0x6003000E, 16, 1, VT_I2, L"Acquires a picture to a file or the clipboard."},
    {L"Create", INVOKE_FUNC, 0x6003000F, 17, 0, VT_BOOL, L"Creates an instance of the object."},
    {L"Destroy", INVOKE_FUNC, 0x60030010, 18, 0, VT_EMPTY, L"Destroys an instance of the object."},
    {L"SelectSource", INVOKE_FUNC, 0x60030011, 19, 0, VT_I2, L"Chooses a TWAIN datasource."},
};

std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }
std::wstring Text(const UniqueBstr& text) { return Text(text.get()); }

TEST_F(AutomationTest, TypeLibraryDescribesTheContract) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadTypeLibEx(kDll.c_str(), REGKIND_NONE, library.put()), S_OK);

    fixtures::LibraryAttributes libraryAttributes(library.get());
    ASSERT_EQ(library->GetLibAttr(libraryAttributes.put()), S_OK);
    EXPECT_EQ(libraryAttributes->guid, LIBID_Vantrel);
    EXPECT_EQ(libraryAttributes->wMajorVerNum, 1);
    EXPECT_EQ(libraryAttributes->wMinorVerNum, 0);
    EXPECT_EQ(libraryAttributes->lcid, 0u);
    EXPECT_EQ(libraryAttributes->syskind, SYS_WIN32);
    EXPECT_EQ(libraryAttributes->wLibFlags & (LIBFLAG_FRESTRICTED | LIBFLAG_FCONTROL | LIBFLAG_FHIDDEN), 0)
        << "not restricted, not a control library, not hidden";

    UniqueBstr name;
    UniqueBstr doc;
    ASSERT_EQ(library->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name), L"Vantrel");
    EXPECT_EQ(Text(doc), L"Vantrel 1.0 Type Library");

    ASSERT_EQ(library->GetTypeInfoCount(), 2u);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfo(1, coclass.put()), S_OK);
    fixtures::TypeAttributes classAttributes(coclass.get());
    ASSERT_EQ(coclass->GetTypeAttr(classAttributes.put()), S_OK);
    EXPECT_EQ(classAttributes->typekind, TKIND_COCLASS);
    EXPECT_EQ(classAttributes->guid, CLSID_TWAIN);
    EXPECT_EQ(classAttributes->wTypeFlags, TYPEFLAG_FCANCREATE);

    ComPtr<ITypeInfo> dual;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__TWAIN, dual.put()), S_OK);
    fixtures::TypeAttributes attributes(dual.get());
    ASSERT_EQ(dual->GetTypeAttr(attributes.put()), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attributes->wTypeFlags,
              TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(attributes->wMajorVerNum, 1);

    // The vtable side of the dual interface: slots, kinds, parameters.
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(dual->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dual->GetRefTypeInfo(vtableRef, vtable.put()), S_OK);
    fixtures::TypeAttributes vtableAttributes(vtable.get());
    ASSERT_EQ(vtable->GetTypeAttr(vtableAttributes.put()), S_OK);
    EXPECT_EQ(vtableAttributes->cFuncs, 13);
    EXPECT_EQ(vtableAttributes->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN),
              TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN);
    EXPECT_EQ(vtableAttributes->cbSizeVft, 20 * 4);

    for (UINT index = 0; index < 13; ++index) {
        const Member& expected = kMembers[index];
        SCOPED_TRACE(testing::Message() << "slot " << expected.slot);
        fixtures::FunctionDescription function(vtable.get());
        ASSERT_EQ(vtable->GetFuncDesc(index, function.put()), S_OK);
        EXPECT_EQ(function->memid, expected.id);
        EXPECT_EQ(function->invkind, expected.kind);
        EXPECT_EQ(function->oVft, expected.slot * 4);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->wFuncFlags, 0);
        const short retvals = expected.value == VT_EMPTY ? 0 : 1;
        EXPECT_EQ(function->cParams, expected.parameters + retvals);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        if (retvals) {
            const ELEMDESC& out = function->lprgelemdescParam[function->cParams - 1];
            EXPECT_EQ(out.tdesc.vt, VT_PTR);
            EXPECT_EQ(out.tdesc.lptdesc->vt, expected.value);
            EXPECT_EQ(out.paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        }
        if (expected.id == 0x6003000E) {
            const ELEMDESC& file = function->lprgelemdescParam[0];
            EXPECT_EQ(file.tdesc.vt, VT_BSTR);
            EXPECT_EQ(file.paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
            ASSERT_NE(file.paramdesc.pparamdescex, nullptr);
            EXPECT_EQ(V_VT(&file.paramdesc.pparamdescex->varDefaultValue), VT_BSTR);
            EXPECT_EQ(Text(V_BSTR(&file.paramdesc.pparamdescex->varDefaultValue)), L"");
            BSTR given[3] = {};
            UINT count = 0;
            const HRESULT named = vtable->GetNames(function->memid, given, 3, &count);
            const UniqueBstr names[3] = {UniqueBstr(given[0]), UniqueBstr(given[1]), UniqueBstr(given[2])};
            ASSERT_EQ(named, S_OK);
            EXPECT_EQ(Text(names[1]), L"file");
        }
        UniqueBstr help;
        ASSERT_EQ(vtable->GetDocumentation(function->memid, name.put(), help.put(), nullptr, nullptr), S_OK);
        EXPECT_EQ(Text(name), expected.name);
        EXPECT_EQ(Text(help), expected.help);
    }
}

// The module's counting is com/'s, shown with VantrelScan.dll; here only which class it serves.
TEST_F(AutomationTest, ClassObjectServesOnlyTwain) {
    const auto getClassObject = server.Export<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID__TWAIN, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(CLSID_TWAIN, IID_IClassFactory, factory.put_void()), S_OK);
    ComPtr<_TWAIN> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID__TWAIN, object.put_void()), S_OK);
    EXPECT_EQ(boxes.boxes().size(), 1u) << "the object said Initialize()";
}

TEST_F(AutomationTest, TypeInformationGoesBackWhenTheModuleMayUnload) {
    const auto canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(NewObject()->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    // The count Release answers; the module keeps one reference of its own while it is loaded.
    const auto references = [&] {
        info->AddRef();
        return info->Release();
    };
    const ULONG withTheModules = references();
    ASSERT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(references(), withTheModules - 1) << "the module gave its reference back";
    ComPtr<ITypeInfo> again;
    EXPECT_EQ(NewObject()->GetTypeInfo(0, LOCALE_USER_DEFAULT, again.put()), S_OK) << "and loads it again when asked";
}

TEST_F(AutomationTest, QueryInterfaceAnswersTheThreeInterfacesWithOneTable) {
    auto object = NewObject();
    ComPtr<IUnknown> unknown;
    ComPtr<IDispatch> dispatch;
    ComPtr<IClassFactory> other;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    ASSERT_EQ(object->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(object.get()));
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(object.get()));
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, other.put_void()), E_NOINTERFACE);
}

// Through the vtable, as an early-bound client calls: every failure is a value, never a status.
TEST_F(AutomationTest, ResultsAreTheContractsValues) {
    auto object = NewObject();
    VARIANT_BOOL created = 0;
    short result = 5;
    ASSERT_EQ(object->Create(&created), S_OK);
    EXPECT_EQ(created, VARIANT_FALSE) << "no owner window";
    ASSERT_EQ(object->put_OwnerHwnd(0x1234), S_OK);
    ASSERT_EQ(object->Create(&created), S_OK);
    EXPECT_EQ(created, VARIANT_TRUE);
    dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, TWRC_CANCEL, 1);
    ASSERT_EQ(object->SelectSource(&result), S_OK);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(object->SelectSource(&result), S_OK);
    EXPECT_EQ(result, 1);
    dsm.Answer(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, 1);
    auto path = MakeBstr(L"C:\\never.bmp");
    ASSERT_EQ(object->Acquire(path.get(), &result), S_OK);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(object->Destroy(), S_OK);
    EXPECT_EQ(dsm.Calls().back().msg, MSG_CLOSEDSM);

    auto demo = MakeBstr(L"Vantrel Demo");
    UniqueBstr text;
    ASSERT_EQ(object->put_Application(demo.get()), S_OK);
    ASSERT_EQ(object->get_Application(text.put()), S_OK);
    EXPECT_EQ(Text(text), L"Vantrel Demo");
    EXPECT_NE(text.get(), demo.get()) << "a getter hands out a new string";
    VARIANT_BOOL flag = 0;
    ASSERT_EQ(object->put_Interface(1), S_OK);
    ASSERT_EQ(object->get_Interface(&flag), S_OK);
    EXPECT_EQ(flag, 1) << "any 16-bit value is kept as given";
}

class Invoker {
public:
    explicit Invoker(IDispatch* dispatch) : dispatch_(dispatch) {}

    DISPID Id(const wchar_t* name) {
        DISPID id = DISPID_UNKNOWN;
        auto* text = const_cast<LPOLESTR>(name);
        hr = dispatch_->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id);
        return id;
    }

    // The arguments are borrowed; the result is the caller's.
    UniqueVariant Call(DISPID id, WORD flags, std::vector<VARIANT> arguments = {}, std::vector<DISPID> named = {}) {
        DISPPARAMS params{arguments.data(), named.data(), static_cast<UINT>(arguments.size()),
                          static_cast<UINT>(named.size())};
        UniqueVariant result;
        hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                               (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.put(), nullptr, nullptr);
        return result;
    }

    HRESULT hr = S_OK;

private:
    IDispatch* dispatch_;
};

VARIANT Str(BSTR text) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}

TEST_F(AutomationTest, LateBoundCallsByNameAndById) {
    auto object = NewObject();
    Invoker late(object.get());
    EXPECT_EQ(late.Id(L"Version"), 0x68030000);
    EXPECT_EQ(late.Id(L"Acquire"), 0x6003000E);
    EXPECT_EQ(late.Id(L"acquire"), 0x6003000E) << "names are matched without case";
    late.Id(L"Scan");
    EXPECT_EQ(late.hr, DISP_E_UNKNOWNNAME);

    const UniqueVariant version = late.Call(0x68030000, DISPATCH_PROPERTYGET);
    ASSERT_EQ(late.hr, S_OK);
    EXPECT_EQ(Text(V_BSTR(version.get())), L"1.7");
    auto newVersion = MakeBstr(L"2.0");
    late.Call(0x68030000, DISPATCH_PROPERTYPUT, {Str(newVersion.get())}, {DISPID_PROPERTYPUT});
    EXPECT_TRUE(FAILED(late.hr)) << "Version has no setter";

    VARIANT owner;
    V_VT(&owner) = VT_I4;
    V_I4(&owner) = 0x2222;
    late.Call(late.Id(L"OwnerHwnd"), DISPATCH_PROPERTYPUT, {owner}, {DISPID_PROPERTYPUT});
    ASSERT_EQ(late.hr, S_OK);
    const UniqueVariant created = late.Call(late.Id(L"Create"), DISPATCH_METHOD);
    ASSERT_EQ(late.hr, S_OK);
    EXPECT_EQ(V_BOOL(created.get()), VARIANT_TRUE);

    // Without an argument Acquire delivers to the clipboard.
    std::vector<std::uint8_t> dib(64, 0);
    dib[0] = 40;
    dib[4] = 4;
    dib[8] = 2;
    dib[12] = 1;
    dib[14] = 24;
    dib[20] = 24;
    dsm.HandOverImage(dib.data(), dib.size(), dib.size());
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    const UniqueVariant toClipboard = late.Call(0x6003000E, DISPATCH_METHOD);
    ASSERT_EQ(late.hr, S_OK);
    EXPECT_EQ(V_VT(toClipboard.get()), VT_I2);
    EXPECT_EQ(V_I2(toClipboard.get()), 1);
    EXPECT_EQ(::IsClipboardFormatAvailable(CF_DIB), TRUE);

    // The argument named `file`.
    const fixtures::TestDirectory scratch(L"late-bound");
    const auto path = scratch / L"late-bound.bmp";
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Acquire"), const_cast<LPOLESTR>(L"file")};
    DISPID ids[2] = {};
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    dsm.Reset();
    dsm.HandOverImage(dib.data(), dib.size(), dib.size());
    dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
    auto file = MakeBstr(path.wstring().c_str());
    const UniqueVariant toFile = late.Call(ids[0], DISPATCH_METHOD, {Str(file.get())}, {ids[1]});
    ASSERT_EQ(late.hr, S_OK);
    EXPECT_EQ(V_I2(toFile.get()), 1);
    EXPECT_EQ(std::filesystem::file_size(path), 78u);
    std::filesystem::remove(path);

    late.Call(late.Id(L"Destroy"), DISPATCH_METHOD);
    EXPECT_EQ(late.hr, S_OK);
}

// A client's handler that destroys and drops the object it is acquiring with, then asks the
// module whether anything is still alive.
HRESULT(__stdcall* g_canUnloadNow)() = nullptr;
HRESULT g_unloadableAfterRelease = E_FAIL;

LRESULT CALLBACK ReleaseOnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_USER + 9) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    auto* target = reinterpret_cast<_TWAIN*>(lParam);
    target->Destroy();
    target->Release();
    g_unloadableAfterRelease = g_canUnloadNow();
    return 0;
}

TEST_F(AutomationTest, ReleasingTheLastReferenceDuringAcquireIsSafe) {
    g_canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    ASSERT_NE(g_canUnloadNow, nullptr);
    _TWAIN* object = NewObject().detach();
    object->put_OwnerHwnd(0x10);
    VARIANT_BOOL created = 0;
    ASSERT_EQ(object->Create(&created), S_OK);

    WNDCLASSW wc{};
    wc.lpfnWndProc = &ReleaseOnMessage;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VantrelReleaseDuringAcquire";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ::PostMessageW(window, WM_USER + 9, 0, reinterpret_cast<LPARAM>(object));
    short result = 5;
    EXPECT_EQ(object->Acquire(nullptr, &result), S_OK);
    EXPECT_EQ(result, 0);
    ::DestroyWindow(window);
    EXPECT_EQ(g_unloadableAfterRelease, S_FALSE) << "the object lives on while its Acquire runs";
    EXPECT_EQ(g_canUnloadNow(), S_OK) << "the object is gone once Acquire returned";
}

std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"-";
    return value;
}

bool Creatable() {
    CLSID clsid{};
    if (FAILED(::CLSIDFromProgID(L"Vantrel.TWAIN", &clsid)) || clsid != CLSID_TWAIN) return false;
    ComPtr<_TWAIN> object;
    return SUCCEEDED(::CoCreateInstance(CLSID_TWAIN, nullptr, CLSCTX_INPROC_SERVER, IID__TWAIN, object.put_void()));
}

// Every key and value the server writes, for the machine and for the user alone; the empty
// DllSurrogate lets 64-bit clients use this 32-bit server through COM's surrogate.
TEST_F(AutomationTest, RegistersAndUnregistersItsRecord) {
    wchar_t guid[40] = {};
    ::StringFromGUID2(CLSID_TWAIN, guid, 40);
    wchar_t library[40] = {};
    ::StringFromGUID2(LIBID_Vantrel, library, 40);
    const std::wstring clsid = std::wstring(L"CLSID\\") + guid;
    const std::wstring description = L"Class to acquire pictures according to the TWAIN standard.";
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } record[] = {
        {clsid, nullptr, description},
        {clsid, L"AppID", guid},
        {clsid + L"\\InprocServer32", nullptr, kDll},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", nullptr, L"Vantrel.TWAIN"},
        {clsid + L"\\TypeLib", nullptr, library},
        {clsid + L"\\Version", nullptr, L"1.0"},
        {L"Vantrel.TWAIN", nullptr, description},
        {L"Vantrel.TWAIN\\CLSID", nullptr, guid},
        {std::wstring(L"AppID\\") + guid, L"DllSurrogate", L""},
        {std::wstring(L"AppID\\") + guid, nullptr, L"-"},
    };
    const struct {
        const wchar_t* options;
        HKEY root;
        const wchar_t* classes;
    } scopes[] = {{L"", HKEY_CLASSES_ROOT, L""}, {L"/n /i:user ", HKEY_CURRENT_USER, L"Software\\Classes\\"}};
    for (const auto& scope : scopes) {
        SCOPED_TRACE(scope.classes);
        const std::wstring dll = std::wstring(scope.options) + L"\"" + kDll + L"\"";
        ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /s " + dll), 0u);
        for (const auto& entry : record)
            EXPECT_EQ(RegistryText(scope.root, scope.classes + entry.key, entry.name), entry.value) << entry.key << " " << (entry.name ? entry.name : L"");
        // Wine merges only the machine's classes into HKEY_CLASSES_ROOT.
        if (scope.root == HKEY_CLASSES_ROOT || !fixtures::RunningUnderWine()) {
            EXPECT_TRUE(Creatable());
            ComPtr<ITypeLib> registered;
            EXPECT_EQ(::LoadRegTypeLib(LIBID_Vantrel, 1, 0, 0, registered.put()), S_OK);
        }

        ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /u /s " + dll), 0u);
        for (const auto& entry : record) EXPECT_EQ(RegistryText(scope.root, scope.classes + entry.key, entry.name), L"-");
        EXPECT_FALSE(Creatable());
    }
}

}  // namespace
}  // namespace vantrel
