#include "core/HostTrevoRegistry.h"

#include "core/Registry.h"

namespace core {

namespace {

// Opens the key for writing, creating it (and the keys above it) when it is missing.
bool OpenForWrite(CRegistry& registry, const std::string& key) {
    if (registry.RegistryOpen(key, false)) return true;
    return registry.RegistryOpen("", true) && registry.RegistryCreateKey(key, true);
}

}  // namespace

bool CHostTrevoRegistry::QueryDWORD(const std::string& key, const std::string& name,
                                    std::uint32_t& value) {
    CRegistry registry;
    if (!registry.RegistryOpen(key, false)) return false;
    platform::DWORD data = value;
    const bool ok = registry.RegistryQueryDWORD(name, &data, true, true);
    static_cast<void>(registry.RegistryClose());
    if (ok) value = data;
    return ok;
}

bool CHostTrevoRegistry::SetDWORD(const std::string& key, const std::string& name,
                                  std::uint32_t value) {
    CRegistry registry;
    if (!OpenForWrite(registry, key)) return false;
    const bool ok = registry.RegistrySetDWORD(name, value, true, true);
    static_cast<void>(registry.RegistryClose());
    return ok;
}

bool CHostTrevoRegistry::SetString(const std::string& key, const std::string& name,
                                   const std::string& value) {
    CRegistry registry;
    if (!OpenForWrite(registry, key)) return false;
    const bool ok = registry.RegistrySetString(name, value, true, true);
    static_cast<void>(registry.RegistryClose());
    return ok;
}

bool CHostTrevoRegistry::QueryString(const std::string& key, const std::string& name,
                                     std::string& value) {
    CRegistry registry;
    if (!registry.RegistryOpen(key, true)) return false;
    std::string data;
    const bool ok = registry.RegistryQueryString(name, &data, true, true);
    static_cast<void>(registry.RegistryClose());
    if (ok) value = data;
    return ok;
}

bool CHostTrevoRegistry::KeyExists(const std::string& key) {
    CRegistry registry;
    if (!registry.RegistryOpen(key, true)) return false;
    static_cast<void>(registry.RegistryClose());
    return true;
}

}  // namespace core
