// vantrel-service: the TWAIN window and session on the main thread, the sources' profiles read
// once, HTTP on its own threads, until Ctrl+C, WM_CLOSE or the end of the session.
#include "engine/session.h"
#include "servers/vantrel_service/http_server.h"
#include "servers/vantrel_service/twain_backend.h"
#include "servers/vantrel_service/twain_window.h"
#include "servers/vantrel_service/user_session.h"
#include "win32/module_file_name.h"
#include "win32/utf8_text.h"
#include "service/access_policy.h"
#include "service/service_arguments.h"

#include "product_version.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace vantrel;
using namespace vantrel::service;

constexpr int kFailed = 2;

service::TwainWindow* consoleTarget = nullptr;  // the one window the console handler closes

BOOL WINAPI OnConsoleEvent(DWORD) {
    if (consoleTarget) consoleTarget->Close();
    return TRUE;
}

// %APPDATA%\Vantrel\vantrel-service.ini; empty when the user has no application-data folder.
std::wstring DefaultConfigFile() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(folder, length) + L"\\Vantrel\\vantrel-service.ini";
}

void Say(FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

int Run(const ServiceArguments& arguments) {
    if (arguments.install || arguments.uninstall) {
        const std::wstring command = Widen(LogonCommand(Utf8(ModuleFileName(nullptr)), arguments.kept));
        const std::wstring error = arguments.install ? InstallAtLogon(command) : UninstallAtLogon();
        if (!error.empty()) {
            Say(stderr, "vantrel-service: " + Utf8(error) + "\n");
            return kFailed;
        }
        Say(stdout, arguments.install ? "vantrel-service starts at every logon: " + Utf8(command) + "\n" : "vantrel-service no longer starts at logon.\n");
        return 0;
    }
    const InstanceLock instance;
    if (!instance.first()) {
        const std::wstring where = InstanceLock::RunningAt();
        Say(stdout, "vantrel-service already runs for this user" + (where.empty() ? std::string(".") : ", listening on " + Utf8(where) + ".") + "\n");
        return 0;
    }
    TwainWindow window;
    if (!window.created()) {
        Say(stderr, "vantrel-service: cannot create its window.\n");
        return kFailed;
    }
    engine::Session session;
    if (const std::wstring error = session.Open(window.hwnd()); !error.empty()) {
        Say(stderr, "vantrel-service: " + Utf8(error) + "\n");
        return kFailed;
    }
    TwainBackend* backendHandle = nullptr;
    JobTable jobs(3, [&] { backendHandle->RoomMade(); });
    TwainBackend backend(window, session, jobs, arguments);
    backendHandle = &backend;
    std::wstring problems;
    std::vector<SourceProfile> profiles = backend.ReadProfiles(problems);
    if (!problems.empty()) Say(stderr, "vantrel-service: " + Utf8(problems));
    if (profiles.empty()) return kFailed;

    ServiceOptions options;
    options.access = AccessPolicy{arguments.listenHost, arguments.port, arguments.allowedOrigins};
    Service service(profiles, options, jobs, backend);
    HttpServer server(service);
    if (const std::string error = server.Listen(arguments.listenHost, arguments.port); !error.empty()) {
        Say(stderr, "vantrel-service: " + error + "\n");
        return kFailed;
    }
    window.OnTick([&] { backend.CancelIdle(); });
    const std::string base = "http://" + arguments.listenHost + ":" + std::to_string(arguments.port);
    for (std::size_t i = 0; i < profiles.size(); ++i)
        Say(stdout, "eSCL: " + base + (i == 0 ? "/eSCL/" : "/eSCL/" + std::to_string(i + 1) + "/") + " (" + profiles[i].name + ")\n");
    if (!IsLoopback(arguments.listenHost))
        Say(stdout, "Listening on " + arguments.listenHost + ": other machines on the network can scan with this PC's scanners.\n");
    InstanceLock::SayListening(Widen(base + "/"));
    Say(stdout, "Listening on " + base + "/ until Ctrl+C.\n");

    consoleTarget = &window;
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    consoleTarget = nullptr;
    Say(stdout, "Stopped.\n");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i) arguments.push_back(Utf8(argv[i]));
        ParsedServiceArguments parsed = ParseServiceArguments(arguments);
        std::string error = parsed.error;
        // The INI file's options first, so the command line's win; --install keeps only the latter.
        if (error.empty() && !parsed.arguments.help && !parsed.arguments.version && !parsed.arguments.install && !parsed.arguments.uninstall) {
            const std::wstring path = parsed.arguments.configFile.empty() ? DefaultConfigFile() : Widen(parsed.arguments.configFile);
            std::ifstream file{std::filesystem::path(path), std::ios::binary};
            if (!file && !parsed.arguments.configFile.empty()) error = "Cannot read the configuration " + parsed.arguments.configFile + ".";
            if (file && error.empty()) {
                const std::string text{std::istreambuf_iterator<char>(file), {}};
                std::vector<std::string> combined = IniOptions(text, error);
                combined.insert(combined.end(), arguments.begin(), arguments.end());
                if (error.empty()) parsed = ParseServiceArguments(combined);
                if (error.empty()) error = parsed.error;
                if (!error.empty()) error = Utf8(path) + ": " + error;
            }
        }
        if (!error.empty()) {
            Say(stderr, "vantrel-service: " + error + "\nTry \"vantrel-service --help\" for the options.\n");
            return kFailed;
        }
        if (parsed.arguments.help) {
            Say(stdout, kServiceHelp);
            return 0;
        }
        if (parsed.arguments.version) {
            Say(stdout, "vantrel-service " VANTREL_VERSION_TEXT " (" + std::to_string(sizeof(void*) * 8) + "-bit)\n");
            return 0;
        }
        return Run(parsed.arguments);
    } catch (const std::exception&) {
        Say(stderr, "vantrel-service: out of memory.\n");
        return kFailed;
    }
}
