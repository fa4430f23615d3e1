#include "brxapicfg/BRXConfig.h"

#include <vector>

#include "brxconn/ProviderModules.h"
#include "platform/Registry.h"

namespace {

std::string KeyPath(const std::string& root, const std::string& key) {
    return key.empty() ? root : root + "\\" + key;
}

// Opens a key for `access`, creating it (and the keys above) when `create` is set.
long OpenKey(const std::string& path, platform::REGSAM access, bool create, platform::HKEY* key) {
    if (create) {
        return platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0,
                                        access, nullptr, key, nullptr);
    }
    return platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key);
}

long WriteValue(const std::string& path, const std::string& name, platform::DWORD type,
                const void* data, platform::DWORD size) {
    platform::HKEY key = nullptr;
    long rc = OpenKey(path, platform::KEY_ALL_ACCESS, true, &key);
    if (rc != platform::ERROR_SUCCESS) return rc;
    rc = platform::RegSetValueEx(key, name.c_str(), 0, type,
                                 static_cast<const platform::BYTE*>(data), size);
    platform::RegCloseKey(key);
    return rc;
}

}  // namespace

BRXConfigError BRXConfig::GetValue(const std::string& root, const std::string& key,
                                   const std::string& name, std::string* value) {
    if (!value) return platform::ERROR_INVALID_PARAMETER;
    return brxconn::ReadStoreText(KeyPath(root, key), name, *value);
}

BRXConfigError BRXConfig::GetValue(const std::string& root, const std::string& key,
                                   const std::string& name, unsigned long* value) {
    if (!value) return platform::ERROR_INVALID_PARAMETER;
    platform::HKEY handle = nullptr;
    long rc = OpenKey(KeyPath(root, key), platform::KEY_READ, false, &handle);
    if (rc != platform::ERROR_SUCCESS) return rc;
    platform::DWORD type = 0;
    platform::DWORD number = 0;
    platform::DWORD size = sizeof number;
    rc = platform::RegQueryValueEx(handle, name.c_str(), nullptr, &type,
                                   reinterpret_cast<platform::BYTE*>(&number), &size);
    platform::RegCloseKey(handle);
    if (rc == platform::ERROR_MORE_DATA ||
        (rc == platform::ERROR_SUCCESS && (type != platform::REG_DWORD || size != sizeof number)))
        return platform::ERROR_INVALID_DATA;
    if (rc == platform::ERROR_SUCCESS) *value = number;
    return rc;
}

BRXConfigError BRXConfig::SetValue(const std::string& root, const std::string& key,
                                   const std::string& name, const std::string& value) {
    return WriteValue(KeyPath(root, key), name, platform::REG_SZ, value.c_str(),
                      static_cast<platform::DWORD>(value.size() + 1));
}

BRXConfigError BRXConfig::SetValue(const std::string& root, const std::string& key,
                                   const std::string& name, unsigned long value) {
    const auto number = static_cast<platform::DWORD>(value);
    return WriteValue(KeyPath(root, key), name, platform::REG_DWORD, &number, sizeof number);
}

BRXConfigError BRXConfig::DeleteValue(const std::string& root, const std::string& key,
                                      const std::string& name) {
    platform::HKEY handle = nullptr;
    long rc = OpenKey(KeyPath(root, key), platform::KEY_ALL_ACCESS, false, &handle);
    if (rc != platform::ERROR_SUCCESS) return rc;
    rc = platform::RegDeleteValue(handle, name.c_str());
    platform::RegCloseKey(handle);
    return rc;
}

BRXConfigError BRXConfig::EnumKey(const std::string& root, std::string* name, int index) {
    if (!name || index < 0) return platform::ERROR_INVALID_PARAMETER;
    platform::HKEY handle = nullptr;
    long rc = OpenKey(root, platform::KEY_READ, false, &handle);
    if (rc != platform::ERROR_SUCCESS) return rc;
    char buffer[platform::kMaxKeyNameLength + 1];
    platform::DWORD length = sizeof buffer;
    rc = platform::RegEnumKeyEx(handle, static_cast<platform::DWORD>(index), buffer, &length,
                                nullptr, nullptr, nullptr, nullptr);
    platform::RegCloseKey(handle);
    if (rc == platform::ERROR_SUCCESS) name->assign(buffer, length);
    return rc;
}

BRXConfigError BRXConfig::GetDefaultSession(const std::string& application, std::string* session) {
    return GetValue(kApplicationsKey, application, "Default Session", session);
}

BRXConfigError BRXConfig::SetDefaultSession(const std::string& application,
                                            const std::string& session) {
    return SetValue(kApplicationsKey, application, "Default Session", session);
}

BRXConfigError BRXConfig::GetDefaultEndSystem(const std::string& session, std::string* endSystem) {
    return GetValue(kSessionsKey, session, "Default EndSystem", endSystem);
}

BRXConfigError BRXConfig::SetDefaultEndSystem(const std::string& session,
                                              const std::string& endSystem) {
    return SetValue(kSessionsKey, session, "Default EndSystem", endSystem);
}

int BRXAPIConfiguration(const std::string& application, std::string* session) {
    try {
        std::string found;
        if (!session || application.empty() ||
            BRXConfig().GetDefaultSession(application, &found) != 0 || found.empty())
            return 0;
        *session = found;
        return 1;
    } catch (...) {
        return 0;
    }
}

int BRXAPIConfigureServiceProvider(const std::string& provider, const std::string& route,
                                   int deviceKind) {
    try {
        const brxconn::ProviderModule* module = brxconn::LoadProvider(provider);
        if (!module || !module->spConfig) return 0;
        return module->spConfig(route.c_str(), deviceKind);
    } catch (...) {
        return 0;
    }
}
