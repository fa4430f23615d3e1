#include "platform/PortMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

namespace platform {

namespace {

struct MapState {
    std::mutex lock;
    std::map<std::string, std::string> paths;  // canonical name ("COM1") -> device
    std::map<std::string, Dcb> defaults;
};

MapState& state() {
    static MapState s;
    return s;
}

std::string canonical(const PortId& id) {
    return (id.kind == PortKind::Serial ? "COM" : "LPT") + std::to_string(id.number);
}

// Looks the port up in TREVO_PORTMAP ("NAME=path;NAME=path").
std::string environmentPath(const std::string& port) {
    const char* env = std::getenv("TREVO_PORTMAP");
    if (!env) return {};
    std::string_view rest(env);
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        const auto id = ParsePortName(entry.substr(0, eq));
        if (id && canonical(*id) == port) return std::string(entry.substr(eq + 1));
    }
    return {};
}

Dcb builtInDefaults() {
    Dcb dcb;
    dcb.BaudRate = 9600;
    dcb.fBinary = true;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

std::string readFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// "ttyS3" with prefix "ttyS" gives 3.
std::optional<unsigned> trailingNumber(const std::string& name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    unsigned n = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 100000) return std::nullopt;
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return n;
}

}  // namespace

std::optional<PortId> ParsePortName(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    std::string head;
    for (std::size_t i = 0; i < 3; ++i)
        head += static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    PortKind kind;
    if (head == "COM")
        kind = PortKind::Serial;
    else if (head == "LPT")
        kind = PortKind::Parallel;
    else
        return std::nullopt;
    unsigned n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    if (n < 1 || n > 256 || name[3] == '0') return std::nullopt;
    return PortId{kind, n};
}

std::string PortDevicePath(std::string_view name) {
    const auto id = ParsePortName(name);
    if (!id) return {};
    const std::string port = canonical(*id);
    {
        std::lock_guard<std::mutex> hold(state().lock);
        if (auto it = state().paths.find(port); it != state().paths.end()) return it->second;
    }
    if (std::string env = environmentPath(port); !env.empty()) return env;
    return (id->kind == PortKind::Serial ? "/dev/ttyS" : "/dev/lp") +
           std::to_string(id->number - 1);
}

void SetPortPath(std::string_view name, const std::string& path) {
    const auto id = ParsePortName(name);
    if (!id) return;
    std::lock_guard<std::mutex> hold(state().lock);
    if (path.empty())
        state().paths.erase(canonical(*id));
    else
        state().paths[canonical(*id)] = path;
}

void ClearPortPaths() {
    std::lock_guard<std::mutex> hold(state().lock);
    state().paths.clear();
}

std::vector<std::string> EnumerateMachinePorts(const std::filesystem::path& sysClass) {
    std::map<unsigned, bool> serial, parallel;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(sysClass / "tty", ec)) {
        const auto n = trailingNumber(entry.path().filename().string(), "ttyS");
        // A ttyS node without a UART reports type 0.
        if (n && *n < 256) {
            const std::string type = readFirstLine(entry.path() / "type");
            if (!type.empty() && type != "0") serial[*n + 1] = true;
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(sysClass / "printer", ec)) {
        const auto n = trailingNumber(entry.path().filename().string(), "lp");
        if (n && *n < 256) parallel[*n + 1] = true;
    }
    for (unsigned n = 1; n <= 256; ++n) {
        for (const PortKind kind : {PortKind::Serial, PortKind::Parallel}) {
            const std::string port = canonical(PortId{kind, n});
            std::string path;
            {
                std::lock_guard<std::mutex> hold(state().lock);
                if (auto it = state().paths.find(port); it != state().paths.end())
                    path = it->second;
            }
            if (path.empty()) path = environmentPath(port);
            if (!path.empty() && std::filesystem::exists(path, ec))
                (kind == PortKind::Serial ? serial : parallel)[n] = true;
        }
    }
    std::vector<std::string> ports;
    for (const auto& [n, present] : serial) ports.push_back("COM" + std::to_string(n) + ":");
    for (const auto& [n, present] : parallel) ports.push_back("LPT" + std::to_string(n) + ":");
    return ports;
}

bool GetPortDefaults(std::string_view name, Dcb& dcb) {
    const auto id = ParsePortName(name);
    if (!id) return false;
    std::lock_guard<std::mutex> hold(state().lock);
    auto it = state().defaults.find(canonical(*id));
    dcb = it == state().defaults.end() ? builtInDefaults() : it->second;
    return true;
}

bool SetPortDefaults(std::string_view name, const Dcb& dcb) {
    const auto id = ParsePortName(name);
    if (!id) return false;
    std::lock_guard<std::mutex> hold(state().lock);
    state().defaults[canonical(*id)] = dcb;
    return true;
}

}  // namespace platform
