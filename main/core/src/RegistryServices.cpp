#include "core/RegistryServices.h"

#include "keyrelay/RegManager.h"

using namespace platform;

CRegistryServices::CRegistryServices() : CRegistryBase("CRegistryServices") {
    SetAccessLevel(ACCESS_FULL);
}

CRegistryServices::~CRegistryServices() {
    CRegistryLock lock(m_lock);
    CloseKey();
}

bool CRegistryServices::RegistryOpen(const std::string& path, bool bLog) {
    CRegistryLock lock(m_lock);
    m_strKeyPath = path;
    return OpenKey("RegistryOpen", path, bLog);
}

bool CRegistryServices::RegistryOpenAll(const std::string& path, bool bLog) {
    CRegistryLock lock(m_lock);
    m_strKeyPath = WithoutLeadingBackslash(path);
    return OpenKey("RegistryOpenAll", m_strKeyPath, bLog);
}

bool CRegistryServices::RegistryQueryBinary(const std::string& valueName, BYTE* data, DWORD length,
                                            bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryBinary(valueName, data, length, bRequired, bLog);
}

bool CRegistryServices::RegistryQueryDWORD(const std::string& valueName, DWORD* data,
                                           bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryDWORD(valueName, data, bRequired, bLog);
}

bool CRegistryServices::RegistryQueryString(const std::string& valueName, std::string* data,
                                            bool bRequired, bool bLog) {
    CRegistryLock lock(m_lock);
    return QueryString(valueName, data, bRequired, bLog);
}

bool CRegistryServices::SendValue(const std::string& valueName, int transferType,
                                  const std::string* text, DWORD number) {
    CRegManager manager;
    manager.SetRegPathToModify(m_strKeyPath);
    manager.SetRegKeyToModify(valueName.c_str());
    if (text) {
        manager.SetStringToWrite(*text);
    } else {
        manager.SetDWORDDataToWrite(number);
    }
    manager.SetTFRType(transferType);
    return manager.SendToCfgSvrc() == 0;
}

bool CRegistryServices::RegistrySetBinary(const std::string& valueName, const BYTE* data,
                                          DWORD length, bool /*bRequired*/, bool /*bLog*/) {
    CRegistryLock lock(m_lock);
    // The bytes travel as text of their full length: a zero byte does not end them.
    const std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), length) : "";
    return SendValue(valueName, CRegManager::TFR_STRING, &bytes, 0);
}

bool CRegistryServices::RegistrySetDWORD(const std::string& valueName, DWORD data,
                                         bool /*bRequired*/, bool /*bLog*/) {
    CRegistryLock lock(m_lock);
    return SendValue(valueName, CRegManager::TFR_DWORD, nullptr, data);
}

bool CRegistryServices::RegistrySetString(const std::string& valueName, const std::string& data,
                                          bool /*bRequired*/, bool /*bLog*/) {
    CRegistryLock lock(m_lock);
    return SendValue(valueName, CRegManager::TFR_STRING, &data, 0);
}

bool CRegistryServices::RegistryCreateKey(const std::string& subKey, bool bLog) {
    CRegistryLock lock(m_lock);
    m_strKeyPath += '\\';
    m_strKeyPath += WithoutLeadingBackslash(subKey);
    CRegManager manager;
    manager.SetRegPathToModify(m_strKeyPath);
    manager.SetRegKeyToModify(nullptr);
    manager.SetStringToWrite("");
    manager.SetTFRType(CRegManager::TFR_STRING);
    const int rc = manager.SendToCfgSvrc();
    if (rc == 0) return true;
    return RegistryError(Label("RegistryCreateKey", "RegCreateKeyEx"), subKey, rc, bLog);
}

bool CRegistryServices::RegistryDeleteKey(const std::string& subKey, bool /*bRequired*/,
                                          bool bLog) {
    CRegistryLock lock(m_lock);
    CRegManager manager;
    manager.SetRegPathToModify(m_strKeyPath + '\\' + WithoutLeadingBackslash(subKey));
    if (manager.DeleteRegKey() != 0) return true;
    // The service says only that the key was not deleted.
    return RegistryError(Label("RegistryDeleteKey", "DeleteRegKey"), subKey, ERROR_ACCESS_DENIED,
                         bLog);
}

bool CRegistryServices::RegistryClose() {
    CRegistryLock lock(m_lock);
    CloseKey();
    m_strKeyPath.clear();
    return true;
}
