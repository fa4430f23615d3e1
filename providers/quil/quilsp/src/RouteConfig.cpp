#include "quilsp/RouteConfig.h"

#include <vector>

#include "platform/Registry.h"

namespace quilsp {

namespace {

using namespace platform;

// The route's key, opened for reading or created for writing; nullptr on failure.
HKEY OpenRoute(const std::string& route, bool write) {
    if (route.empty()) return nullptr;
    const std::string path = std::string(kRoutesRoot) + "\\" + route;
    HKEY key = nullptr;
    const LONG rc = write ? RegCreateKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr)
                          : RegOpenKeyEx(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

struct KeyCloser {
    HKEY key;
    ~KeyCloser() {
        if (key != nullptr) RegCloseKey(key);
    }
};

}  // namespace

std::optional<std::string> RouteConfig::Text(const char* name) const {
    KeyCloser k{OpenRoute(m_route, false)};
    if (k.key == nullptr) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(k.key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::vector<BYTE> data(size + 1, 0);
    if (RegQueryValueEx(k.key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string text(data.begin(), data.begin() + size);
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

std::optional<std::uint32_t> RouteConfig::Number(const char* name) const {
    KeyCloser k{OpenRoute(m_route, false)};
    if (k.key == nullptr) return std::nullopt;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(k.key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

void RouteConfig::SetText(const char* name, const std::string& value) const {
    KeyCloser k{OpenRoute(m_route, true)};
    if (k.key == nullptr) return;
    (void)RegSetValueEx(k.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
}

void RouteConfig::SetNumber(const char* name, std::uint32_t value) const {
    KeyCloser k{OpenRoute(m_route, true)};
    if (k.key == nullptr) return;
    const DWORD v = value;
    (void)RegSetValueEx(k.key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

void RouteConfig::Delete(const char* name) const {
    KeyCloser k{OpenRoute(m_route, true)};
    if (k.key == nullptr) return;
    (void)RegDeleteValue(k.key, name);
}

}  // namespace quilsp
