// The program directory rule, the INI path, and reading texts and the temporary directory.
#include "demo/ini_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace demo {
namespace {

// From the program's path to its directory, its AppPath and the INI file of its own name.
TEST(IniText, ThePathsFollowTheProgramsOwnRules) {
    struct Case {
        const wchar_t* module;
        const wchar_t* directory;  // a drive root keeps its backslash
        const wchar_t* appPath;    // a backslash appended unless the directory has three characters
        const wchar_t* ini;
    } const cases[] = {
        {L"C:\\VantrelDemo.exe", L"C:\\", L"C:\\", L"C:\\VantrelDemo.ini"},
        {L"C:\\Programs\\Renamed Demo.exe", L"C:\\Programs", L"C:\\Programs\\", L"C:\\Programs\\Renamed Demo.ini"},
        {L"\\\\server\\share\\demo.v2.exe", L"\\\\server\\share", L"\\\\server\\share\\", L"\\\\server\\share\\demo.v2.ini"},
        {L"C:\\x.y\\noextension", L"C:\\x.y", L"C:\\x.y\\", L"C:\\x.y\\noextension.ini"},
        {L"abc\\d\u00e9mo.exe", L"abc", L"abc", L"abcd\u00e9mo.ini"},  // only the length counts, as it always has
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.module)));
        EXPECT_EQ(ModuleDirectory(c.module), c.directory);
        EXPECT_EQ(AppPathFrom(c.directory), c.appPath);
        EXPECT_EQ(IniPathFor(c.appPath, c.module), c.ini);
    }
}

// The test program's own INI file, written for this case and removed after.
TEST(IniText, GivesTheKeyOfItsSectionCutTo255CharactersOrEmptyText) {
    const std::filesystem::path path(IniPathFor(AppPath(), ModulePath()));
    ASSERT_FALSE(std::filesystem::exists(path)) << "left over: " << path.string();
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const1"), L"") << "no file";
    std::wstring text;
    for (int i = 0; i < 300; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
    const std::wstring nonAscii = L"Scanner w\u00e4hlen \u2013 \u00e9t\u00e9";
    const bool written = ::WritePrivateProfileStringW(L"Other", L"Const1", L"elsewhere", path.c_str()) &&
                         ::WritePrivateProfileStringW(L"FormVantrelDemo", L"Const2", nonAscii.c_str(), path.c_str()) &&
                         ::WritePrivateProfileStringW(L"FormVantrelDemo", L"Long", text.c_str(), path.c_str());
    EXPECT_TRUE(written);
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const1"), L"") << "only in another section";
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const2"), nonAscii);
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Long"), text.substr(0, 255));
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace demo
