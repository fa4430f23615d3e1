#include "wizard/Store.h"

#include <cstdio>

#include "core/Registry.h"
#include "wizard/WizardIds.h"

namespace wizard {

std::string QueryString(CRegistry& reg, const char* name) {
    std::string value;
    if (!reg.RegistryQueryString(name, &value, true, false)) value.clear();
    return value;
}

std::uint32_t QueryDword(CRegistry& reg, const char* name, std::uint32_t fallback) {
    platform::DWORD value = fallback;
    if (!reg.RegistryQueryDWORD(name, &value, true, false)) value = fallback;
    return value;
}

std::string ScratchDeviceType() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey + kTempKey, false)) return {};
    std::string type = QueryString(reg, "Device Type");
    static_cast<void>(reg.RegistryClose());
    return type;
}

std::uint32_t MaxDevices() {
    CRegistry& reg = GlobalRegistry();
    if (!reg.RegistryOpen(kApplicationKey + kDefaultsDeviceKey, true)) return kDefaultMaxDevices;
    const std::uint32_t limit = QueryDword(reg, "Maximum Devices Selectable", kDefaultMaxDevices);
    static_cast<void>(reg.RegistryClose());
    return limit;
}

std::string DeviceKeyName(const std::string& instanceId, std::uint32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "Device %02u", static_cast<unsigned>(n));
    return instanceId + name;
}

std::string DeviceCountName(const std::string& instanceId) {
    return instanceId + "Devices Selected";
}

bool StoreWritable() {
    if (CRegistryBase::AccessLevel() == CRegistryBase::ACCESS_UNDECIDED) {
        CRegistry& reg = GlobalRegistry();
        if (reg.RegistryOpen(kApplicationKey, false)) static_cast<void>(reg.RegistryClose());
    }
    return CRegistryBase::AccessLevel() == CRegistryBase::ACCESS_FULL;
}

std::string DeviceIdOf(const std::string& deviceKey) {
    return !deviceKey.empty() && deviceKey.front() == '\\' ? deviceKey.substr(1) : deviceKey;
}

}  // namespace wizard
