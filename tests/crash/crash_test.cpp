// Scans ended by TerminateProcess part-way, as a crash or an impatient user ends them: vantrel-scan and a script
// host using VantrelScan.Scanner, 100 sheets both sides into a PDF or a TIFF, killed once page 37 is stored. The file
// left behind is copied for the independent readers (check_killed.py), the next run in the folder must recover it
// and say so, and while the writer still runs nothing may touch its file.
#include "tests/fixtures/child_process.h"
#include "tests/fixtures/scoped_environment.h"
#include "tests/fixtures/test_directory.h"
#include "win32/win32_owners.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vantrel::UniqueFile;
using vantrel::UniqueKernelObject;

constexpr int kKilledAfter = 37;

enum class Surface { Cli, Script };
enum class Recovery { NextScan, RecoverOption };

struct Case {
    const char* name;
    Surface surface;
    const wchar_t* extension;
    Recovery recovery;
};

struct Child {
    UniqueKernelObject process;
    UniqueFile errorPipe;  // our end of its standard error, or none
};

std::string Narrow(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// Starts `commandLine` with its standard error on a pipe of ours when asked, else on `error`.
Child Start(std::wstring commandLine, bool pipeError, HANDLE output, HANDLE error) {
    Child child;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFile writeEnd;
    if (pipeError) {
        HANDLE read = nullptr, write = nullptr;
        if (!::CreatePipe(&read, &write, &inherit, 0)) return child;
        child.errorPipe = UniqueFile(read);
        writeEnd = UniqueFile(write);
        ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        error = write;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = error;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        child.process = UniqueKernelObject(info.hProcess);
        ::CloseHandle(info.hThread);
    }
    return child;
}

// Reads the pipe until `text` has come; false when the pipe ends first.
bool WaitForText(HANDLE pipe, const std::string& text) {
    std::string seen;
    char buffer[4096];
    DWORD got = 0;
    while (seen.find(text) == std::string::npos) {
        if (!::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) || got == 0) return false;
        seen.append(buffer, got);
    }
    return true;
}

// Waits until the scanner's log shows `pages` transfers ended (MSG_ENDXFER comes after the page is stored).
bool WaitForEndedTransfers(const std::filesystem::path& log, int pages, HANDLE running) {
    for (int tries = 0; tries < 1200; ++tries) {
        std::ifstream in(log);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        std::size_t count = 0;
        for (std::size_t at = text.find("MSG_ENDXFER"); at != std::string::npos; at = text.find("MSG_ENDXFER", at + 1)) ++count;
        if (count >= static_cast<std::size_t>(pages)) return true;
        if (::WaitForSingleObject(running, 100) == WAIT_OBJECT_0) return false;
    }
    return false;
}

std::vector<std::filesystem::path> Temporaries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().wstring().find(L".~vantrel-") != std::wstring::npos) found.push_back(entry.path());
    }
    return found;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    std::erase(text, '\r');
    return text;
}

class KilledScan : public ::testing::TestWithParam<Case> {
protected:
    std::wstring Program(const wchar_t* name) const { return L"\"" + (fixtures::ProgramDirectory() / name).wstring() + L"\""; }
    std::wstring Quoted(const std::filesystem::path& path) const { return L"\"" + path.wstring() + L"\""; }

    // Runs to its end with standard output and error in files; returns both, output first.
    std::string Run(const std::wstring& commandLine, const std::wstring& label) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const auto path = directory_ / (L"out-" + label + L".txt");
        {
            UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
            fixtures::RunAndWait(commandLine, {}, {out.get(), out.get()});
        }
        return ReadText(path);
    }

    fixtures::TestDirectory directory_{L"killed-scan"};
};

TEST_P(KilledScan, TheNextRunRecoversEveryStoredPage) {
    const Case c = GetParam();
    const std::wstring base = std::wstring(c.extension + 1) + L"-" + std::to_wstring(int(c.surface)) + L"-" + std::to_wstring(int(c.recovery));
    const std::filesystem::path folder = directory_ / base;
    std::filesystem::create_directories(folder);
    const auto target = folder / (std::wstring(L"doc") + c.extension);
    const auto log = directory_ / (base + L".log");
    fixtures::ScopedEnvironment sheets(L"VANTREL_SCANNER_SHEETS", L"100");
    fixtures::ScopedEnvironment size(L"VANTREL_SCANNER_SIZE", L"320x240");
    fixtures::ScopedEnvironment mode(L"VANTREL_SCANNER_MODE", L"gray");
    fixtures::ScopedEnvironment logged(L"VANTREL_SCANNER_LOG", log.wstring());
    const std::wstring script = Quoted(std::filesystem::path(VANTREL_KILLED_SCAN_SCRIPT));

    UniqueFile nul(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    Child child = c.surface == Surface::Cli
                      ? Start(Program(L"vantrel-scan.exe") + L" --feeder --duplex -o " + Quoted(target), true, nul.get(), nullptr)
                      : Start(L"cscript.exe //nologo " + script + L" scan " + Quoted(target), false, nul.get(), nul.get());
    ASSERT_TRUE(child.process);
    const bool reached = c.surface == Surface::Cli
                             ? WaitForText(child.errorPipe.get(), "page " + std::to_string(kKilledAfter) + ":")
                             : WaitForEndedTransfers(log, kKilledAfter, child.process.get());
    // While the writer runs its file is left alone. vantrel-scan is held by its progress lines, which no one reads
    // any more; the script host runs on, so it is ended first.
    std::string early;
    if (c.surface == Surface::Cli) early = Run(Program(L"vantrel-scan.exe") + L" --recover " + Quoted(folder), L"early");
    ::TerminateProcess(child.process.get(), 9);
    ::WaitForSingleObject(child.process.get(), INFINITE);
    ASSERT_TRUE(reached) << "page " << kKilledAfter << " was never stored";
    if (c.surface == Surface::Cli) {
        EXPECT_NE(early.find("No interrupted scan to recover"), std::string::npos) << early;
    }

    const auto left = Temporaries(folder);
    ASSERT_EQ(left.size(), 1u) << "the killed scan's temporary file";
    const std::filesystem::path checked(_wgetenv(L"VANTREL_CRASH_CHECK_DIR"));
    std::filesystem::create_directories(checked);
    ASSERT_TRUE(::CopyFileW(left[0].c_str(), (checked / (base + L".killed" + c.extension)).c_str(), FALSE));

    fixtures::ScopedEnvironment oneSheet(L"VANTREL_SCANNER_SHEETS", L"1");
    const auto next = folder / (std::wstring(L"next") + c.extension);
    const std::string told = c.recovery == Recovery::RecoverOption
                                 ? Run(Program(L"vantrel-scan.exe") + L" --recover " + Quoted(folder), L"recover")
                             : c.surface == Surface::Cli ? Run(Program(L"vantrel-scan.exe") + L" --feeder -o " + Quoted(next), L"next")
                                                         : Run(L"cscript.exe //nologo " + script + L" next " + Quoted(next), L"next");
    const auto recovered = folder / (std::wstring(L"doc.recovered") + c.extension);
    std::smatch match;
    const std::regex said("Recovered (\\d+) pages of an interrupted scan into " + std::regex_replace(Narrow(recovered.wstring()),
                          std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)") + "\\.");
    ASSERT_TRUE(std::regex_search(told, match, said)) << told;
    const int pages = std::stoi(match[1]);
    EXPECT_GE(pages, kKilledAfter);
    EXPECT_TRUE(Temporaries(folder).empty()) << "the temporary file is removed once recovered";
    ASSERT_TRUE(::CopyFileW(recovered.c_str(), (checked / (base + L".recovered" + c.extension)).c_str(), FALSE));
    std::ofstream(checked / L"manifest.jsonl", std::ios::app)
        << "{\"killed\": \"" << Narrow(base) << ".killed" << Narrow(c.extension) << "\", \"recovered\": \"" << Narrow(base)
        << ".recovered" << Narrow(c.extension) << "\", \"pages\": " << pages << "}\n";
}

INSTANTIATE_TEST_SUITE_P(Surfaces, KilledScan,
                         ::testing::Values(Case{"cli_pdf", Surface::Cli, L".pdf", Recovery::NextScan},
                                           Case{"cli_tif_recover_option", Surface::Cli, L".tif", Recovery::RecoverOption},
                                           Case{"script_pdf", Surface::Script, L".pdf", Recovery::NextScan},
                                           Case{"script_tif", Surface::Script, L".tif", Recovery::NextScan}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
