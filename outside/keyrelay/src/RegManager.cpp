#include "keyrelay/RegManager.h"

#include "platform/Registry.h"

using namespace platform;

void CRegManager::SetRegKeyToModify(const char* name) {
    if (name) {
        m_name = name;
    } else {
        m_name.reset();
    }
}

int CRegManager::SendToCfgSvrc() {
    if (m_path.empty()) return ERROR_INVALID_PARAMETER;
    if (m_type != TFR_DWORD && m_type != TFR_STRING) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG rc = RegCreateKeyEx(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, "", REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    if (m_name) {
        if (m_type == TFR_DWORD) {
            const BYTE bytes[4] = {static_cast<BYTE>(m_number), static_cast<BYTE>(m_number >> 8),
                                   static_cast<BYTE>(m_number >> 16),
                                   static_cast<BYTE>(m_number >> 24)};
            rc = RegSetValueEx(key, m_name->c_str(), 0, REG_DWORD, bytes, 4);
        } else {
            rc = RegSetValueEx(key, m_name->c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(m_text.data()),
                               static_cast<DWORD>(m_text.size()));
        }
    }
    RegCloseKey(key);
    return rc;
}

int CRegManager::DeleteRegKey() {
    const std::size_t cut = m_path.rfind('\\');
    if (m_path.empty() || cut + 1 == m_path.size()) return 0;
    HKEY parent = HKEY_LOCAL_MACHINE;
    if (cut != std::string::npos && RegOpenKeyEx(HKEY_LOCAL_MACHINE, m_path.substr(0, cut).c_str(),
                                                 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS)
        return 0;
    const std::string last = cut == std::string::npos ? m_path : m_path.substr(cut + 1);
    const LONG rc = RegDeleteKey(parent, last.c_str());
    RegCloseKey(parent);
    return rc == ERROR_SUCCESS ? 1 : 0;
}
