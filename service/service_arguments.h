// vantrel-service's command line (and the INI file's lines, which take the same names).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::service {

inline constexpr int kDefaultPort = 52970;

struct ServiceArguments {
    std::string listenHost = "127.0.0.1";
    int port = kDefaultPort;
    std::vector<std::string> allowedOrigins;
    std::vector<std::string> sources;  // product names offered; empty: every source
    std::optional<int> pageTimeoutSeconds;  // the engine's wait for a page; nullopt: its default
    int idleSeconds = 300;  // a job whose pages nobody fetches for this long is cancelled
    int jpegQuality = 85;
    bool help = false;
    bool version = false;
    bool install = false;    // add the start at logon (HKCU Run) with the other options, then end
    bool uninstall = false;  // remove it, then end
    std::vector<std::string> kept;  // the options as given, without --install, for the start at logon
    std::string configFile;  // --config: the INI file to read instead of the user's own
};

struct ParsedServiceArguments {
    ServiceArguments arguments;
    std::string error;  // empty when every argument was understood
};

ParsedServiceArguments ParseServiceArguments(const std::vector<std::string>& arguments);

// An INI file's settings as options: "listen = 127.0.0.1:52970" gives "--listen" "127.0.0.1:52970";
// blank lines, comments (; or #) and [sections] are skipped. The command line's options follow
// them, so they win (or add, for the repeatable ones). A line without "=" is the error.
std::vector<std::string> IniOptions(std::string_view text, std::string& error);

extern const char* const kServiceHelp;

// The command line the start at logon runs: the program, quoted, and the options kept.
std::string LogonCommand(const std::string& program, const std::vector<std::string>& options);

}  // namespace vantrel::service
