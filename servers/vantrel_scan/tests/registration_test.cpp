// VantrelScan.dll registered by regsvr32 for the machine and for the user: every key and value it
// writes, and removal of exactly what was written.
#include "servers/vantrel_scan/tests/scan_server.h"

namespace scan_tests {
namespace {

struct Value {
    std::wstring key;
    const wchar_t* name;  // nullptr: the default value
    std::wstring data;
};

std::wstring Guid(REFGUID guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return text;
}

std::vector<Value> Written() {
    const std::wstring clsid = Guid(CLSID_Scanner);
    const std::wstring description = L"Vantrel Scan: scans pages from a TWAIN source into image files.";
    const std::wstring classKey = L"CLSID\\" + clsid;
    std::vector<Value> written = {
        {classKey, nullptr, description},
        {classKey + L"\\InprocServer32", nullptr, ScanServer::Path().wstring()},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, L"VantrelScan.Scanner.1"},
        {classKey + L"\\VersionIndependentProgID", nullptr, L"VantrelScan.Scanner"},
        {classKey + L"\\TypeLib", nullptr, Guid(LIBID_VantrelScan)},
        {classKey + L"\\Version", nullptr, L"1.0"},
        {L"VantrelScan.Scanner", nullptr, description},
        {L"VantrelScan.Scanner\\CLSID", nullptr, clsid},
        {L"VantrelScan.Scanner\\CurVer", nullptr, L"VantrelScan.Scanner.1"},
        {L"VantrelScan.Scanner.1", nullptr, description},
        {L"VantrelScan.Scanner.1\\CLSID", nullptr, clsid},
    };
    // Only the 32-bit server offers itself to 64-bit clients through COM's surrogate.
    if constexpr (sizeof(void*) == 4) {
        written.push_back({classKey, L"AppID", clsid});
        written.push_back({L"AppID\\" + clsid, nullptr, description});
        written.push_back({L"AppID\\" + clsid, L"DllSurrogate", L""});
    }
    return written;
}

// The value, or nullopt when the key or value is missing.
std::optional<std::wstring> Read(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof data;
    if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(data);
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

void ExpectRegistered(HKEY root, const std::wstring& prefix) {
    for (const Value& value : Written()) {
        const auto read = Read(root, prefix + value.key, value.name);
        ASSERT_TRUE(read) << prefix.c_str() << value.key.c_str() << " " << (value.name ? value.name : L"(default)");
        EXPECT_EQ(*read, value.data) << value.key.c_str();
    }
}

void ExpectRemoved(HKEY root, const std::wstring& prefix) {
    for (const Value& value : Written()) EXPECT_FALSE(KeyExists(root, prefix + value.key)) << value.key.c_str();
    // The parents it wrote into stay.
    EXPECT_TRUE(KeyExists(root, prefix + L"CLSID"));
}

// Creation by ProgID is the script clients'; here, every key and value written and removed.
class RegistrationTest : public ::testing::Test {
protected:
    const std::wstring dll = L"\"" + ScanServer::Path().wstring() + L"\"";
};

TEST_F(RegistrationTest, MachineWideThroughRegsvr32AndBackOut) {
    const std::wstring typeLib =
        L"TypeLib\\" + Guid(LIBID_VantrelScan) + L"\\1.0\\0\\" + (sizeof(void*) == 8 ? L"win64" : L"win32");
    const std::wstring marshalled = L"Interface\\" + Guid(IID_IScanner);
    ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /s " + dll), 0u);
    ExpectRegistered(HKEY_CLASSES_ROOT, L"");
    EXPECT_EQ(Read(HKEY_CLASSES_ROOT, L"CLSID\\" + Guid(CLSID_Scanner), L"AppID").has_value(), sizeof(void*) == 4)
        << "an AppID for the surrogate from the 32-bit server only";
    EXPECT_EQ(Read(HKEY_CLASSES_ROOT, typeLib, nullptr), ScanServer::Path().wstring()) << "for this build's platform";
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, marshalled)) << "marshalled by the type library";

    ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /u /s " + dll), 0u);
    ExpectRemoved(HKEY_CLASSES_ROOT, L"");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, typeLib));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, marshalled));
    EXPECT_EQ(fixtures::RunAndWait(L"regsvr32 /u /s " + dll), 0u) << "removing what is gone succeeds";
}

TEST_F(RegistrationTest, PerUserThroughDllInstallAndBackOut) {
    const std::wstring user = L"Software\\Classes\\";
    ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /s /n /i:user " + dll), 0u);
    ExpectRegistered(HKEY_CURRENT_USER, user);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\VantrelScan.Scanner")) << "nothing for the machine";
    ASSERT_EQ(fixtures::RunAndWait(L"regsvr32 /u /s /n /i:user " + dll), 0u);
    ExpectRemoved(HKEY_CURRENT_USER, user);
}

}  // namespace
}  // namespace scan_tests
