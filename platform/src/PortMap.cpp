#include "platform/PortMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "platform/Registry.h"

namespace platform {

namespace {

struct MapState {
    std::mutex lock;
    std::map<std::string, std::string> paths;  // canonical name ("COM1") -> device
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

constexpr const char* kPortMapKey = "Software\\The TREVO Group\\Common TREVO API\\Port Map";
constexpr const char* kSettingsKey = "Software\\The TREVO Group\\Common TREVO API\\Port Settings";

// The device the store names for a port ("COM1"="/dev/ttyUSB0" under the port map key).
std::string storePath(const std::string& port) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kPortMapKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    char path[1024];
    DWORD size = sizeof path;
    DWORD type = 0;
    const LONG rc =
        RegQueryValueEx(key, port.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ || size == 0) return {};
    return std::string(path, ::strnlen(path, size));
}

bool readDword(HKEY key, const char* name, DWORD& value) {
    DWORD type = 0;
    DWORD size = sizeof value;
    DWORD read = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof read)
        return false;
    value = read;
    return true;
}

// Flow control as the settings key keeps it: 0 none, 1 RTS/CTS, 2 Xon/Xoff.
DWORD flowOf(const Dcb& dcb) {
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) return 1;
    if (dcb.fOutX || dcb.fInX) return 2;
    return 0;
}

void applyFlow(Dcb& dcb, DWORD flow) {
    dcb.fOutxCtsFlow = flow == 1;
    dcb.fRtsControl = flow == 1 ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = dcb.fInX = flow == 2;
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
    if (std::string stored = storePath(port); !stored.empty()) return stored;
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
            if (path.empty()) path = storePath(port);
            if (!path.empty() && std::filesystem::exists(path, ec))
                (kind == PortKind::Serial ? serial : parallel)[n] = true;
        }
    }
    std::vector<std::string> ports;
    for (const auto& [n, present] : serial) ports.push_back("COM" + std::to_string(n) + ":");
    for (const auto& [n, present] : parallel) ports.push_back("LPT" + std::to_string(n) + ":");
    return ports;
}

// A port's settings live under "Port Settings\\COMn" as DWORD values "Baud Rate",
// "Data Bits", "Parity" (0-4), "Stop Bits" (0 one, 1 one and a half, 2 two) and
// "Flow Control"; what is missing there keeps its built-in default.
bool GetPortDefaults(std::string_view name, Dcb& dcb) {
    const auto id = ParsePortName(name);
    if (!id) return false;
    Dcb result = builtInDefaults();
    HKEY key = nullptr;
    const std::string sub = std::string(kSettingsKey) + "\\" + canonical(*id);
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD value = 0;
        if (readDword(key, "Baud Rate", value)) result.BaudRate = value;
        if (readDword(key, "Data Bits", value) && value <= 255)
            result.ByteSize = static_cast<std::uint8_t>(value);
        if (readDword(key, "Parity", value) && value <= SPACEPARITY) {
            result.Parity = static_cast<std::uint8_t>(value);
            result.fParity = value != NOPARITY;
        }
        if (readDword(key, "Stop Bits", value) && value <= TWOSTOPBITS)
            result.StopBits = static_cast<std::uint8_t>(value);
        if (readDword(key, "Flow Control", value) && value <= 2) applyFlow(result, value);
        RegCloseKey(key);
    }
    dcb = result;
    return true;
}

bool SetPortDefaults(std::string_view name, const Dcb& dcb) {
    const auto id = ParsePortName(name);
    if (!id) return false;
    HKEY key = nullptr;
    const std::string sub = std::string(kSettingsKey) + "\\" + canonical(*id);
    LONG rc = RegCreateKeyEx(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    const struct {
        const char* name;
        DWORD value;
    } values[] = {{"Baud Rate", dcb.BaudRate},
                  {"Data Bits", dcb.ByteSize},
                  {"Parity", dcb.Parity},
                  {"Stop Bits", dcb.StopBits},
                  {"Flow Control", flowOf(dcb)}};
    for (const auto& v : values) {
        rc = RegSetValueEx(key, v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.value),
                           sizeof v.value);
        if (rc != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return false;
    }
    return true;
}

}  // namespace platform
