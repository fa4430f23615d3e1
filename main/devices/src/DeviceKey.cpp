#include "devices/DeviceKey.h"

#include "core/HostTrevo.h"
#include "core/Registry.h"
#include "core/Terminator.h"

namespace devices {

CDeviceKey::CDeviceKey(const std::string& strPath)
    : m_bOpen(GlobalRegistry().RegistryOpen(strPath, true)) {
    m_bFailed = !m_bOpen;
}

CDeviceKey::~CDeviceKey() {
    if (m_bOpen) (void)GlobalRegistry().RegistryClose();
}

std::string CDeviceKey::DevicePath(const std::string& strDeviceKey) {
    return std::string(core::CHostTrevo::kApplicationKey) + "\\" + strDeviceKey;
}

std::string CDeviceKey::DefaultsPath(const std::string& strKind) {
    return std::string(core::CHostTrevo::kApplicationKey) + "\\Defaults\\Device\\" + strKind;
}

void CDeviceKey::Read(const char* pszName, std::string& value) {
    if (!m_bOpen || !GlobalRegistry().RegistryQueryString(pszName, &value, true, true))
        m_bFailed = true;
}

void CDeviceKey::Read(const char* pszName, std::uint32_t& value) {
    platform::DWORD v = value;
    if (!m_bOpen || !GlobalRegistry().RegistryQueryDWORD(pszName, &v, true, true)) m_bFailed = true;
    value = v;
}

void CDeviceKey::ReadIfUnset(const char* pszName, std::string& value) {
    if (value.empty()) Read(pszName, value);
}

void CDeviceKey::ReadIfUnset(const char* pszName, std::uint32_t& value) {
    if (value == 0) Read(pszName, value);
}

void CDeviceKey::BuildTerminator() {
    if (m_bOpen) BuildTerminatorData(&GlobalRegistry());
}

bool ReadHostLink(const std::string& strDeviceKey, std::string& strHost, std::string& strSession) {
    CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
    key.Read("Host", strHost);
    if (key.AnyFailed() || strHost == "None") return false;
    key.Read("Device Session", strSession);
    return true;
}

std::unique_ptr<core::CHostTrevo> MakeHostLink(const std::string& strDeviceKey,
                                               bool bInsertLineFeed,
                                               const std::string& strTerminator,
                                               std::string& strSession) {
    std::string strHost;
    if (!ReadHostLink(strDeviceKey, strHost, strSession)) return nullptr;
    return std::make_unique<core::CHostTrevo>(strDeviceKey, strHost, bInsertLineFeed, false,
                                              strTerminator, false, false);
}

}  // namespace devices
