// The options, each checked as it is read; the first that does not parse is the error.
#include "service/service_arguments.h"

#include <charconv>

namespace vantrel::service {

namespace {

std::optional<int> Number(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// "http://host[:port]" or "https://..." with nothing after the authority: origins are compared exactly.
bool IsOrigin(const std::string& text) {
    const auto scheme = text.find("://");
    if (scheme == std::string::npos) return false;
    const std::string name = text.substr(0, scheme);
    const std::string rest = text.substr(scheme + 3);
    return (name == "http" || name == "https") && !rest.empty() && rest.find_first_of("/?# ") == std::string::npos;
}

}  // namespace

ParsedServiceArguments ParseServiceArguments(const std::vector<std::string>& arguments) {
    ParsedServiceArguments parsed;
    ServiceArguments& a = parsed.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h" || option == "--version" || option == "--install" || option == "--uninstall") {
            a.help = a.help || option == "--help" || option == "-h";
            a.version = a.version || option == "--version";
            a.install = a.install || option == "--install";
            a.uninstall = a.uninstall || option == "--uninstall";
            continue;
        }
        a.kept.insert(a.kept.end(), {option, i + 1 < arguments.size() ? arguments[i + 1] : ""});
        if (i + 1 >= arguments.size()) {
            parsed.error = option.rfind("--", 0) == 0 ? option + " needs a value." : "Unknown argument \"" + option + "\".";
            return parsed;
        }
        const std::string& value = arguments[++i];
        if (option == "--listen") {
            const auto colon = value.rfind(':');
            const auto port = colon == std::string::npos ? std::nullopt : Number(value.substr(colon + 1), 1, 65535);
            if (!port || colon == 0) {
                parsed.error = "--listen takes ADDRESS:PORT, such as 127.0.0.1:" + std::to_string(kDefaultPort) + ".";
                return parsed;
            }
            a.listenHost = value.substr(0, colon);
            a.port = *port;
        } else if (option == "--allow-origin") {
            if (!IsOrigin(value)) {
                parsed.error = "--allow-origin takes an origin such as https://app.example.com:8443 (scheme, host and port only).";
                return parsed;
            }
            a.allowedOrigins.push_back(value);
        } else if (option == "--config") {
            a.configFile = value;
        } else if (option == "--source") {
            a.sources.push_back(value);
        } else if (option == "--timeout" || option == "--idle" || option == "--quality") {
            const auto number = option == "--quality" ? Number(value, 1, 100) : Number(value, 0, 86400);
            if (!number) {
                parsed.error = option + (option == "--quality" ? " takes 1 to 100." : " takes seconds, 0 to 86400.");
                return parsed;
            }
            if (option == "--timeout") a.pageTimeoutSeconds = *number;
            if (option == "--idle") a.idleSeconds = *number;
            if (option == "--quality") a.jpegQuality = *number;
        } else {
            parsed.error = "Unknown option \"" + option + "\".";
            return parsed;
        }
    }
    if (a.install && a.uninstall) parsed.error = "--install and --uninstall exclude each other.";
    return parsed;
}

std::vector<std::string> IniOptions(std::string_view text, std::string& error) {
    const auto trimmed = [](std::string_view part) {
        const auto first = part.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) return std::string{};
        return std::string(part.substr(first, part.find_last_not_of(" \t\r") - first + 1));
    };
    std::vector<std::string> options;
    std::size_t number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            error = "Line " + std::to_string(number) + " of the configuration is not \"name = value\".";
            return {};
        }
        options.push_back("--" + trimmed(std::string_view(line).substr(0, equals)));
        options.push_back(trimmed(std::string_view(line).substr(equals + 1)));
    }
    return options;
}

std::string LogonCommand(const std::string& program, const std::vector<std::string>& options) {
    // Windows' rules for one argument: quoted, a quote escaped, backslashes before it doubled.
    const auto quoted = [](const std::string& text) {
        std::string out(1, '"');
        std::size_t slashes = 0;
        for (char c : text) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
            slashes = 0;
            out += c;
        }
        out.append(2 * slashes, '\\');
        out.push_back('"');
        return out;
    };
    std::string command = quoted(program);
    for (const std::string& option : options) {
        command.push_back(' ');
        command.append(quoted(option));
    }
    return command;
}

const char* const kServiceHelp =
    "vantrel-service: this PC's TWAIN scanners for eSCL (AirScan) clients and web applications.\n"
    "\n"
    "  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:52970; another address than a\n"
    "                         loopback one lets other machines scan)\n"
    "  --allow-origin ORIGIN  a web page's origin that may use the service, such as\n"
    "                         https://app.example.com (repeatable; browsers' other origins get 403)\n"
    "  --source NAME          offer this TWAIN source (repeatable; default: every source)\n"
    "  --timeout SECONDS      how long a batch waits for a page (default 60; 0: no limit)\n"
    "  --idle SECONDS         cancel a job whose pages nobody fetches for this long (default 300)\n"
    "  --quality N            JPEG quality, 1 to 100 (default 85)\n"
    "  --config FILE          read the options from this INI file instead of\n"
    "                         %APPDATA%\\Vantrel\\vantrel-service.ini (lines \"listen = ...\",\n"
    "                         \"allow-origin = ...\", ...; the command line wins)\n"
    "  --install              start with these options at every logon (HKCU Run), then end\n"
    "  --uninstall            no longer start at logon, then end\n"
    "  --version              the version\n"
    "  --help                 this text\n"
    "\n"
    "eSCL: http://ADDRESS:PORT/eSCL/ for the default source, /eSCL/2/ for the second, ...\n"
    "It runs until Ctrl+C or the end of the session; one instance per user (a second start says\n"
    "where the first listens and ends).\n";

}  // namespace vantrel::service
