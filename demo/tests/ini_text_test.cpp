// The program directory rule, the INI path, and reading texts and the temporary directory.
#include "demo/ini_text.h"
#include "tests/fixtures/scoped_environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace demo {
namespace {

TEST(IniText, ModuleDirectoryKeepsTheBackslashOfADriveRootOnly) {
    struct Case {
        const wchar_t* module;
        const wchar_t* directory;
    } const cases[] = {
        {L"C:\\VantrelDemo.exe", L"C:\\"},
        {L"C:\\Programs\\VantrelDemo.exe", L"C:\\Programs"},
        {L"D:\\a\\b\\c.exe", L"D:\\a\\b"},
        {L"\\\\server\\share\\VantrelDemo.exe", L"\\\\server\\share"},
        {L"VantrelDemo.exe", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(ModuleDirectory(c.module), c.directory) << c.module;
}

TEST(IniText, AppPathAppendsABackslashUnlessTheDirectoryHasThreeCharacters) {
    struct Case {
        const wchar_t* directory;
        const wchar_t* appPath;
    } const cases[] = {
        {L"C:\\", L"C:\\"},
        {L"C:\\Programs", L"C:\\Programs\\"},
        {L"C:\\a", L"C:\\a\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        // Only the length counts, as in the rule the program has always had.
        {L"abc", L"abc"},
    };
    for (const Case& c : cases) EXPECT_EQ(AppPathFrom(c.directory), c.appPath) << c.directory;
}

TEST(IniText, IniPathUsesTheProgramNameWithoutItsExtension) {
    struct Case {
        const wchar_t* appPath;
        const wchar_t* module;
        const wchar_t* ini;
    } const cases[] = {
        {L"C:\\Programs\\", L"C:\\Programs\\VantrelDemo.exe", L"C:\\Programs\\VantrelDemo.ini"},
        {L"C:\\", L"C:\\Renamed Demo.exe", L"C:\\Renamed Demo.ini"},
        {L"C:\\x.y\\", L"C:\\x.y\\demo.v2.exe", L"C:\\x.y\\demo.v2.ini"},
        {L"C:\\x.y\\", L"C:\\x.y\\noextension", L"C:\\x.y\\noextension.ini"},
        {L"C:\\\u00e9t\u00e9\\", L"C:\\\u00e9t\u00e9\\d\u00e9mo.exe", L"C:\\\u00e9t\u00e9\\d\u00e9mo.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(IniPathFor(c.appPath, c.module), c.ini) << c.module;
}

TEST(IniText, AppPathIsTheRunningProgramsDirectory) {
    wchar_t module[MAX_PATH] = {};
    ASSERT_NE(::GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
    EXPECT_EQ(ModulePath(), module);
    EXPECT_EQ(AppPath() + std::filesystem::path(module).filename().wstring(), module) << "directory and one backslash";
}

// The test program's own INI file, written for one case and removed after.
class OwnIniFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::filesystem::path(IniPathFor(AppPath(), ModulePath()));
        ASSERT_FALSE(std::filesystem::exists(path_)) << "left over: " << path_.string();
    }
    void TearDown() override { std::filesystem::remove(path_); }
    void Write(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
        ASSERT_TRUE(::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path_.c_str()));
    }
    std::filesystem::path path_;
};

TEST_F(OwnIniFile, GivesTheKeyOfItsSectionCutTo255CharactersOrEmptyText) {
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const1"), L"") << "no file";
    Write(L"Other", L"Const1", L"elsewhere");
    const std::wstring nonAscii = L"Scanner w\u00e4hlen \u2013 \u00e9t\u00e9";
    Write(L"FormVantrelDemo", L"Const2", nonAscii);
    std::wstring text;
    for (int i = 0; i < 300; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
    Write(L"FormVantrelDemo", L"Long", text);
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const1"), L"") << "only in another section";
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Const2"), nonAscii);
    EXPECT_EQ(GetIniText(L"FormVantrelDemo", L"Long"), text.substr(0, 255));
}

TEST(TempDir, APathLongerThan260CharactersComesBackWhole) {
    const std::wstring longDir = L"C:\\" + std::wstring(300, L't') + L"\\";
    const fixtures::ScopedEnvironment tmp(L"TMP", longDir);
    const fixtures::ScopedEnvironment temp(L"TEMP", longDir);
    wchar_t probe[1024] = {};
    if (::GetTempPathW(1024, probe) != longDir.size())
        GTEST_SKIP() << "this system does not take TMP as given: " << ::testing::PrintToString(std::wstring(probe));
    EXPECT_EQ(GetTempDir(), longDir);
}

}  // namespace
}  // namespace demo
