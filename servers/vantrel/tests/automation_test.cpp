// Vantrel.dll as clients meet it: exports, type library, class object, vtable and IDispatch calls, registration.
#include "Vantrel_h.h"
#include "servers/vantrel/tests/handler_window.h"
#include "servers/vantrel/tests/sample_dib.h"
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/loaded_server.h"
#include "tests/fixtures/message_box_watcher.h"
#include "tests/fixtures/stand_in_dsm/stand_in_dsm_client.h"
#include "tests/fixtures/stand_in_dsm/stand_in_expectations.h"
#include "tests/fixtures/test_directory.h"
#include "tests/fixtures/type_info_loans.h"
#include "win32/com_apartment.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace vantrel {
namespace {

using namespace twain;

const std::wstring kDll = fixtures::LoadedServer::Path().wstring();

std::wstring Text(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

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
    fixtures::MessageBoxWatcher boxes;
    standin::StandInDsm dsm;
    fixtures::LoadedServer server;
};

TEST_F(AutomationTest, ExportsItsEntryPointsByOrdinal) {
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer", "DllInstall"};
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
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4), (std::vector<std::uint8_t>{16, 0, 0, 0}));
    EXPECT_EQ(std::memcmp(bytes + 4, &IID__TWAIN, 16), 0);

    DWORD ignored = 0;
    std::vector<std::uint8_t> block(::GetFileVersionInfoSizeW(kDll.c_str(), &ignored));
    ASSERT_TRUE(::GetFileVersionInfoW(kDll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"CompanyName", L"Marlowbridge"}, {L"FileDescription", L"Vantrel"}, {L"ProductName", L"Vantrel"},
        {L"FileVersion", L"1.00"},         {L"ProductVersion", L"1.00"},    {L"InternalName", L"Vantrel"},
        {L"OriginalFilename", L"Vantrel.dll"}, {L"OLESelfRegister", L""}};
    for (const auto& [key, value] : strings) {
        void* text = nullptr;
        UINT size = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        ASSERT_TRUE(::VerQueryValueW(block.data(), path.c_str(), &text, &size)) << key;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(text)), value) << key;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(std::tuple(fixed->dwFileVersionMS, fixed->dwFileType), std::tuple(0x00010000ul, DWORD{VFT_DLL}));
}

const wchar_t kAppHelp[] = L"Returns/sets the calling application of the TWAIN interface.";
const wchar_t kUiHelp[] = L"Returns/sets a value that determines whether the TWAIN interface is shown or not.";
const wchar_t kOwnerHelp[] = L"Returns/sets the handle of the owner window.";
const wchar_t kProgressHelp[] = L"Returns/sets a value that determines whether the progress dialog is shown or not.";

// The vtable side of the dual interface in slot order (from 7): an argument's type, VT_EMPTY for
// none; the value's type, VT_EMPTY for none.
const struct {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    VARTYPE argument;
    VARTYPE value;
    const wchar_t* help;
} kMembers[] = {
    {L"Application", 0x68030004, INVOKE_PROPERTYGET, VT_EMPTY, VT_BSTR, kAppHelp},
    {L"Application", 0x68030004, INVOKE_PROPERTYPUT, VT_BSTR, VT_EMPTY, kAppHelp},
    {L"Interface", 0x68030003, INVOKE_PROPERTYGET, VT_EMPTY, VT_BOOL, kUiHelp},
    {L"Interface", 0x68030003, INVOKE_PROPERTYPUT, VT_BOOL, VT_EMPTY, kUiHelp},
    {L"OwnerHwnd", 0x68030002, INVOKE_PROPERTYGET, VT_EMPTY, VT_I4, kOwnerHelp},
    {L"OwnerHwnd", 0x68030002, INVOKE_PROPERTYPUT, VT_I4, VT_EMPTY, kOwnerHelp},
    {L"ProgressDialog", 0x68030001, INVOKE_PROPERTYGET, VT_EMPTY, VT_BOOL, kProgressHelp},
    {L"ProgressDialog", 0x68030001, INVOKE_PROPERTYPUT, VT_BOOL, VT_EMPTY, kProgressHelp},
    {L"Version", 0x68030000, INVOKE_PROPERTYGET, VT_EMPTY, VT_BSTR, L"Returns the version of the used TWAIN standard."},
    {L"Acquire", 0x6003000E, INVOKE_FUNC, VT_BSTR, VT_I2, L"Acquires a picture to a file or the clipboard."},
    {L"Create", 0x6003000F, INVOKE_FUNC, VT_EMPTY, VT_BOOL, L"Creates an instance of the object."},
    {L"Destroy", 0x60030010, INVOKE_FUNC, VT_EMPTY, VT_EMPTY, L"Destroys an instance of the object."},
    {L"SelectSource", 0x60030011, INVOKE_FUNC, VT_EMPTY, VT_I2, L"Chooses a TWAIN datasource."},
};

TEST_F(AutomationTest, TypeLibraryDescribesTheContract) {
    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadTypeLibEx(kDll.c_str(), REGKIND_NONE, library.put()), S_OK);
    fixtures::LibraryAttributes lib(library.get());
    ASSERT_EQ(library->GetLibAttr(lib.put()), S_OK);
    EXPECT_EQ(lib->guid, LIBID_Vantrel);
    EXPECT_EQ(std::tuple(lib->wMajorVerNum, lib->wMinorVerNum, lib->lcid, lib->syskind), std::tuple(1, 0, 0ul, SYS_WIN32));
    EXPECT_EQ(lib->wLibFlags & (LIBFLAG_FRESTRICTED | LIBFLAG_FCONTROL | LIBFLAG_FHIDDEN), 0);
    UniqueBstr name;
    UniqueBstr doc;
    ASSERT_EQ(library->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(Text(name.get()) + L"|" + Text(doc.get()), L"Vantrel|Vantrel 1.0 Type Library");

    ASSERT_EQ(library->GetTypeInfoCount(), 2u);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfo(1, coclass.put()), S_OK);
    fixtures::TypeAttributes classAttributes(coclass.get());
    ASSERT_EQ(coclass->GetTypeAttr(classAttributes.put()), S_OK);
    EXPECT_EQ(classAttributes->guid, CLSID_TWAIN);
    EXPECT_EQ(std::tuple(classAttributes->typekind, classAttributes->wTypeFlags), std::tuple(TKIND_COCLASS, TYPEFLAG_FCANCREATE));
    ComPtr<ITypeInfo> dual;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__TWAIN, dual.put()), S_OK);
    fixtures::TypeAttributes attributes(dual.get());
    ASSERT_EQ(dual->GetTypeAttr(attributes.put()), S_OK);
    EXPECT_EQ(std::tuple(attributes->typekind, attributes->wTypeFlags, attributes->wMajorVerNum),
              std::tuple(TKIND_DISPATCH, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE, 1));

    HREFTYPE vtableRef = 0;
    ASSERT_EQ(dual->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dual->GetRefTypeInfo(vtableRef, vtable.put()), S_OK);
    fixtures::TypeAttributes vtableAttributes(vtable.get());
    ASSERT_EQ(vtable->GetTypeAttr(vtableAttributes.put()), S_OK);
    const int flags = TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN;
    EXPECT_EQ(std::tuple(vtableAttributes->cFuncs, vtableAttributes->wTypeFlags & flags, vtableAttributes->cbSizeVft),
              std::tuple(13, flags, 20 * 4));
    for (UINT index = 0; index < std::size(kMembers); ++index) {
        const auto& expected = kMembers[index];
        SCOPED_TRACE(testing::Message() << "slot " << 7 + index);
        fixtures::FunctionDescription function(vtable.get());
        ASSERT_EQ(vtable->GetFuncDesc(index, function.put()), S_OK);
        EXPECT_EQ(std::tuple(function->memid, function->invkind, function->oVft, function->callconv, function->wFuncFlags),
                  std::tuple(expected.id, expected.kind, static_cast<short>(4 * (7 + index)), CC_STDCALL, 0));
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        std::vector<std::tuple<VARTYPE, VARTYPE, USHORT>> parameters;
        for (short i = 0; i < function->cParams; ++i) {
            const ELEMDESC& parameter = function->lprgelemdescParam[i];
            const bool pointer = parameter.tdesc.vt == VT_PTR;
            parameters.emplace_back(parameter.tdesc.vt, pointer ? parameter.tdesc.lptdesc->vt : VARTYPE{VT_EMPTY}, parameter.paramdesc.wParamFlags);
        }
        std::vector<std::tuple<VARTYPE, VARTYPE, USHORT>> wanted;
        const auto in = static_cast<USHORT>(expected.kind == INVOKE_FUNC ? PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT : int{PARAMFLAG_FIN});
        if (expected.argument != VT_EMPTY) wanted.emplace_back(expected.argument, VT_EMPTY, in);
        if (expected.value != VT_EMPTY) wanted.emplace_back(VT_PTR, expected.value, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        EXPECT_EQ(parameters, wanted);
        if (expected.kind == INVOKE_FUNC && expected.argument != VT_EMPTY) {
            const VARIANT& byDefault = function->lprgelemdescParam[0].paramdesc.pparamdescex->varDefaultValue;
            EXPECT_EQ(std::tuple(V_VT(&byDefault), Text(V_BSTR(&byDefault))), std::tuple(VT_BSTR, std::wstring()));
            BSTR given[2] = {};
            UINT count = 0;
            ASSERT_EQ(vtable->GetNames(function->memid, given, 2, &count), S_OK);
            const UniqueBstr names[2] = {UniqueBstr(given[0]), UniqueBstr(given[1])};
            EXPECT_EQ(Text(names[1].get()), L"file");
        }
        UniqueBstr help;
        ASSERT_EQ(vtable->GetDocumentation(function->memid, name.put(), help.put(), nullptr, nullptr), S_OK);
        EXPECT_EQ(Text(name.get()), expected.name);
        EXPECT_EQ(Text(help.get()), expected.help);
    }
}

// The module's counting is com/'s, shown with VantrelScan.dll; here only which class it serves
// and which interfaces its object answers.
TEST_F(AutomationTest, ClassObjectServesOnlyTwainWithItsThreeInterfaces) {
    const auto getClassObject = server.Export<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(IID__TWAIN, IID_IClassFactory, factory.put_void()), CLASS_E_CLASSNOTAVAILABLE);
    auto object = NewObject();
    for (const IID& iid : {IID_IUnknown, IID_IDispatch}) {
        ComPtr<IUnknown> answered;
        ASSERT_EQ(object->QueryInterface(iid, answered.put_void()), S_OK);
        EXPECT_EQ(static_cast<void*>(answered.get()), static_cast<void*>(object.get()));
    }
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, factory.put_void()), E_NOINTERFACE);
}

TEST_F(AutomationTest, TypeInformationGoesBackWhenTheModuleMayUnload) {
    const auto canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(NewObject()->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    // The count Release answers; the module keeps one reference of its own while it is loaded.
    const auto references = [&] { return info->AddRef(), info->Release(); };
    const ULONG withTheModules = references();
    ASSERT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(references(), withTheModules - 1) << "the module gave its reference back";
    ComPtr<ITypeInfo> again;
    EXPECT_EQ(NewObject()->GetTypeInfo(0, LOCALE_USER_DEFAULT, again.put()), S_OK) << "and loads it again when asked";
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
    EXPECT_EQ(Text(text.get()), L"Vantrel Demo");
    EXPECT_NE(text.get(), demo.get()) << "a getter hands out a new string";
    VARIANT_BOOL flag = 0;
    ASSERT_EQ(object->put_Interface(1), S_OK);
    ASSERT_EQ(object->get_Interface(&flag), S_OK);
    EXPECT_EQ(flag, 1) << "any 16-bit value is kept as given";
}

// Late-bound calls go through com/'s dispatch over the type library above (names, ids and the
// default are checked there); here Acquire's result as a VARIANT, with `file` named or left out.
TEST_F(AutomationTest, LateBoundAcquireToAFileByNameOrToTheClipboard) {
    auto object = NewObject();
    ASSERT_EQ(object->put_OwnerHwnd(0x2222), S_OK);
    VARIANT_BOOL created = 0;
    ASSERT_EQ(object->Create(&created), S_OK);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Acquire"), const_cast<LPOLESTR>(L"file")};
    DISPID ids[2] = {};
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
    const fixtures::TestDirectory scratch(L"late-bound");
    auto file = MakeBstr((scratch / L"late-bound.bmp").wstring());
    VARIANT argument;
    V_VT(&argument) = VT_BSTR;
    V_BSTR(&argument) = file.get();
    const auto dib = tests::Dib{4, 2, 24}.Bytes();
    for (const UINT arguments : {1u, 0u}) {
        dsm.Reset();
        dsm.HandOverImage(dib.data(), dib.size(), dib.size());
        dsm.Deliver(TWRC_DSEVENT, MSG_XFERREADY);
        DISPPARAMS params{&argument, &ids[1], arguments, arguments};
        UniqueVariant result;
        ASSERT_EQ(object->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr), S_OK);
        EXPECT_EQ(std::tuple(V_VT(result.get()), V_I2(result.get())), std::tuple(VT_I2, 1));
        const auto block = reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(dsm.shared().lastImageBlock));
        EXPECT_EQ(::GlobalSize(block) != 0, arguments == 0) << "only the clipboard keeps the block";
    }
    EXPECT_EQ(std::filesystem::file_size(scratch / L"late-bound.bmp"), 14u + dib.size());
    EXPECT_EQ(object->Destroy(), S_OK);
}

// A client's handler that destroys and drops the object it is acquiring with: the object lives on
// while its Acquire runs, and is gone once Acquire returned.
TEST_F(AutomationTest, ReleasingTheLastReferenceDuringAcquireIsSafe) {
    const auto canUnloadNow = server.Export<HRESULT(__stdcall*)()>("DllCanUnloadNow");
    _TWAIN* object = NewObject().detach();
    object->put_OwnerHwnd(0x10);
    VARIANT_BOOL created = 0;
    ASSERT_EQ(object->Create(&created), S_OK);
    HRESULT unloadableInTheHandler = E_FAIL;
    tests::HandlerWindow window([&] {
        object->Destroy();
        object->Release();
        unloadableInTheHandler = canUnloadNow();
    });
    window.Post(WM_USER + 9);
    short result = 5;
    EXPECT_EQ(object->Acquire(nullptr, &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(unloadableInTheHandler, S_FALSE);
    EXPECT_EQ(canUnloadNow(), S_OK);
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

// Every key and value the server writes ("-": none), for the machine and for the user alone; the
// empty DllSurrogate lets 64-bit clients use this 32-bit server through COM's surrogate.
TEST_F(AutomationTest, RegistersAndUnregistersItsRecord) {
    wchar_t guid[40] = {};
    ::StringFromGUID2(CLSID_TWAIN, guid, 40);
    wchar_t library[40] = {};
    ::StringFromGUID2(LIBID_Vantrel, library, 40);
    const std::wstring clsid = std::wstring(L"CLSID\\") + guid;
    const std::wstring appId = std::wstring(L"AppID\\") + guid;
    const std::wstring description = L"Class to acquire pictures according to the TWAIN standard.";
    const std::tuple<std::wstring, const wchar_t*, std::wstring> record[] = {
        {clsid, nullptr, description},
        {clsid, L"AppID", guid},
        {clsid + L"\\InprocServer32", nullptr, kDll},
        {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid + L"\\ProgID", nullptr, L"Vantrel.TWAIN"},
        {clsid + L"\\TypeLib", nullptr, library},
        {clsid + L"\\Version", nullptr, L"1.0"},
        {L"Vantrel.TWAIN", nullptr, description},
        {L"Vantrel.TWAIN\\CLSID", nullptr, guid},
        {appId, L"DllSurrogate", L""},
        {appId, nullptr, L"-"},
    };
    const struct {
        const wchar_t* options;
        HKEY root;
        const wchar_t* classes;
    } scopes[] = {{L"", HKEY_CLASSES_ROOT, L""}, {L"/n /i:user ", HKEY_CURRENT_USER, L"Software\\Classes\\"}};
    for (const auto& scope : scopes) {
        SCOPED_TRACE(scope.classes);
        const std::wstring dll = std::wstring(scope.options) + L"\"" + kDll + L"\"";
        const auto read = [&] {
            std::vector<std::wstring> values;
            for (const auto& [key, name, value] : record) values.push_back(RegistryText(scope.root, scope.classes + key, name));
            return values;
        };
        std::vector<std::wstring> expected;
        for (const auto& entry : record) expected.push_back(std::get<2>(entry));
        ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /s " + dll), 0u);
        EXPECT_EQ(read(), expected);
        // Wine merges only the machine's classes into HKEY_CLASSES_ROOT.
        if (scope.root == HKEY_CLASSES_ROOT || !fixtures::RunningUnderWine()) {
            EXPECT_TRUE(Creatable());
            ComPtr<ITypeLib> registered;
            EXPECT_EQ(::LoadRegTypeLib(LIBID_Vantrel, 1, 0, 0, registered.put()), S_OK);
        }
        ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /u /s " + dll), 0u);
        EXPECT_EQ(read(), std::vector<std::wstring>(std::size(record), L"-"));
        EXPECT_FALSE(Creatable());
    }
}

}  // namespace
}  // namespace vantrel
