#include "core/RegistryDirect.h"

#include <cstring>

using namespace platform;

CRegistryDirect::CRegistryDirect() : CRegistryBase("CRegistryDirect") {}

CRegistryDirect::~CRegistryDirect() {
    CRegistryLock lock(m_lock);
    CloseKey();
}

bool CRegistryDirect::RegistryOpen(const std::string& path, bool bLog) {
    CRegistryLock lock(m_lock);
    return OpenKey("RegistryOpen", path, bLog);
}

bool CRegistryDirect::RegistryOpenAll(const std::string& path, bool bLog) {
    CRegistryLock lock(m_lock);
    return OpenKey("RegistryOpenAll", WithoutLeadingBackslash(path), bLog);
}

bool CRegistryDirect::RegistryQueryBinary(const std::string& valueName, BYTE* data, DWORD length,
                                          bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryBinary(valueName, data, length, bRequired, bLog);
}

bool CRegistryDirect::RegistryQueryDWORD(const std::string& valueName, DWORD* data, bool bRequired,
                                         bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryDWORD(valueName, data, bRequired, bLog);
}

bool CRegistryDirect::RegistryQueryString(const std::string& valueName, std::string* data,
                                          bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryString(valueName, data, bRequired, bLog);
}

bool CRegistryDirect::WriteValue(const std::string& valueName, DWORD type, const BYTE* data,
                                 DWORD length, bool bRequired, bool bLog) {
    if (AccessLevel() < ACCESS_FULL) return false;
    if (length > kBufferSize) {
        // More than the transfer buffer holds: refused, never cut or overrun.
        return RegistryError(Label("RegistrySetValueEx", "RegSetValueEx"), valueName,
                             ERROR_INSUFFICIENT_BUFFER, bLog);
    }
    std::memset(m_byBuffer, 0, sizeof m_byBuffer);
    if (length) std::memcpy(m_byBuffer, data, length);
    m_dwSize = length;
    if (RegistrySetValueEx(valueName, type, bLog)) return true;
    return !bRequired;
}

bool CRegistryDirect::RegistrySetValueEx(const std::string& valueName, DWORD type, bool bLog) {
    const LONG rc = RegSetValueEx(m_hKey, valueName.c_str(), 0, type, m_byBuffer, m_dwSize);
    if (rc == ERROR_SUCCESS) return true;
    return RegistryError(Label("RegistrySetValueEx", "RegSetValueEx"), valueName, rc, bLog);
}

bool CRegistryDirect::RegistrySetBinary(const std::string& valueName, const BYTE* data,
                                        DWORD length, bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return WriteValue(valueName, REG_BINARY, data, data ? length : 0, bRequired, bLog);
}

bool CRegistryDirect::RegistrySetDWORD(const std::string& valueName, DWORD data, bool bRequired,
                                       bool bLog) {
    CRegistryLock lock(m_lock);
    const BYTE bytes[4] = {static_cast<BYTE>(data), static_cast<BYTE>(data >> 8),
                           static_cast<BYTE>(data >> 16), static_cast<BYTE>(data >> 24)};
    return WriteValue(valueName, REG_DWORD, bytes, 4, bRequired, bLog);
}

bool CRegistryDirect::RegistrySetString(const std::string& valueName, const std::string& data,
                                        bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return WriteValue(valueName, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                      static_cast<DWORD>(std::min<std::size_t>(data.size(), kBufferSize + 1)),
                      bRequired, bLog);
}

bool CRegistryDirect::RegistryCreateKey(const std::string& subKey, bool bLog) {
    CRegistryLock lock(m_lock);
    const std::string name = WithoutLeadingBackslash(subKey);
    const std::string label = Label("RegistryCreateKey", "RegCreateKeyEx");
    if (AccessLevel() < ACCESS_FULL) return RegistryError(label, name, ERROR_ACCESS_DENIED, bLog);
    HKEY created = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyEx(m_hKey, name.c_str(), 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &created, &disposition);
    if (rc == ERROR_ACCESS_DENIED) rc = RegCreateKey(m_hKey, name.c_str(), &created);
    if (rc != ERROR_SUCCESS) return RegistryError(label, name, rc, bLog);
    CloseKey();
    m_hKey = created;
    m_bOpen = true;
    return true;
}

bool CRegistryDirect::RegistryDeleteKey(const std::string& subKey, bool /*bRequired*/, bool bLog) {
    CRegistryLock lock(m_lock);
    const std::string name = WithoutLeadingBackslash(subKey);
    const std::string label = Label("RegistryDeleteKey", "RegDeleteKey");
    if (AccessLevel() < ACCESS_FULL) return RegistryError(label, name, ERROR_ACCESS_DENIED, bLog);
    const LONG rc = RegDeleteKey(m_hKey, name.c_str());
    if (rc != ERROR_SUCCESS) return RegistryError(label, name, rc, bLog);
    return true;
}

bool CRegistryDirect::RegistryClose() {
    CRegistryLock lock(m_lock);
    CloseKey();
    return true;
}
