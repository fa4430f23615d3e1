#include "toolkit/ConfigFileAdapter.h"

#include <new>

namespace UTKTools {

using CConfigNS::IConfigImplementor;
using UTKString::CString;

CConfigFileAdapter::CConfigFileAdapter()
    : m_pConfig(new (std::nothrow) CConfigNS::CConfig(CConfigNS::IConfig::IMPLEMENTOR_FILE)) {}

CConfigFileAdapter::~CConfigFileAdapter() {
    delete m_pConfig;
}

void CConfigFileAdapter::SetFileName(const CString& fileName) {
    if (m_pConfig != nullptr) {
        m_pConfig->SetSource(fileName);
    }
}

CString CConfigFileAdapter::GetFileName() {
    return m_pConfig != nullptr ? m_pConfig->GetSource() : CString();
}

int CConfigFileAdapter::Read() {
    if (m_pConfig == nullptr) {
        return 0;
    }
    const auto result = m_pConfig->RefreshFromMedia();
    return result == IConfigImplementor::E_SUCCESS || result == IConfigImplementor::E_UPDATED ||
                   result == IConfigImplementor::E_NO_CHANGE
               ? 1
               : 0;
}

CConfigFileAdapter::E_REFRESH_RESULT CConfigFileAdapter::Refresh() {
    if (m_pConfig == nullptr) {
        return E_REFRESH_FAILURE;
    }
    switch (m_pConfig->RefreshFromMedia()) {
        case IConfigImplementor::E_SUCCESS:
        case IConfigImplementor::E_UPDATED:
            return E_REFRESH_REFRESHED;
        case IConfigImplementor::E_NO_CHANGE:
            return E_REFRESH_NO_CHANGE;
        default:
            return E_REFRESH_FAILURE;
    }
}

CConfigFileAdapter::E_WRITE_RESULT CConfigFileAdapter::Write() {
    return m_pConfig != nullptr && m_pConfig->FlushToMedia() ? E_WRITE_WRITTEN : E_WRITE_FAILURE;
}

CConfigFileAdapter::E_RESULTCODE CConfigFileAdapter::GetLastError() {
    if (m_pConfig == nullptr) {
        return E_RESULT_FAILURE;
    }
    const auto result = m_pConfig->GetLastError();
    return result == IConfigImplementor::E_SUCCESS || result == IConfigImplementor::E_UPDATED ||
                   result == IConfigImplementor::E_NO_CHANGE
               ? E_RESULT_SUCCESS
               : E_RESULT_FAILURE;
}

CString CConfigFileAdapter::GetLastErrorString() {
    return m_pConfig != nullptr ? CString(m_pConfig->GetLastErrorString()) : CString();
}

void CConfigFileAdapter::ClearLastError() {
    if (m_pConfig != nullptr) {
        m_pConfig->ClearLastError();
    }
}

int CConfigFileAdapter::GetString(const char* section, const char* key, CString& value,
                                  const CString& defaultValue) {
    return m_pConfig != nullptr && m_pConfig->Get(section, key, value, defaultValue) ? 1 : 0;
}

int CConfigFileAdapter::GetStringUpper(const char* section, const char* key, CString& value,
                                       const CString& defaultValue) {
    return m_pConfig != nullptr && m_pConfig->GetUpper(section, key, value, defaultValue) ? 1 : 0;
}

int CConfigFileAdapter::GetStringLower(const char* section, const char* key, CString& value,
                                       const CString& defaultValue) {
    return m_pConfig != nullptr && m_pConfig->GetLower(section, key, value, defaultValue) ? 1 : 0;
}

int CConfigFileAdapter::GetYesNo(const char* section, const char* key, int defaultValue) {
    return m_pConfig != nullptr && m_pConfig->GetYesNo(section, key, defaultValue != 0) ? 1 : 0;
}

int CConfigFileAdapter::GetTrueFalse(const char* section, const char* key, int defaultValue) {
    return m_pConfig != nullptr && m_pConfig->GetTrueFalse(section, key, defaultValue != 0) ? 1 : 0;
}

int CConfigFileAdapter::GetLong(const char* section, const char* key, std::int32_t& value,
                                std::int32_t defaultValue) {
    return m_pConfig != nullptr && m_pConfig->GetLong(section, key, value, defaultValue) ? 1 : 0;
}

int CConfigFileAdapter::WriteString(const char* section, const char* key, const char* text) {
    return m_pConfig != nullptr && m_pConfig->Set(section, key, text) ? 1 : 0;
}

int CConfigFileAdapter::WriteBOOL(const char* section, const char* key, int value) {
    return m_pConfig != nullptr && m_pConfig->SetTrueFalse(section, key, value != 0) ? 1 : 0;
}

int CConfigFileAdapter::WriteYesNo(const char* section, const char* key, int value) {
    return m_pConfig != nullptr && m_pConfig->SetYesNo(section, key, value != 0) ? 1 : 0;
}

int CConfigFileAdapter::WriteLong(const char* section, const char* key, long value) {
    return m_pConfig != nullptr && m_pConfig->SetLong(section, key, value) ? 1 : 0;
}

int CConfigFileAdapter::RemoveSection(const char* section) {
    return m_pConfig != nullptr && m_pConfig->RemoveSection(section) ? 1 : 0;
}

int CConfigFileAdapter::RemoveKey(const char* section, const char* key) {
    return m_pConfig != nullptr && m_pConfig->RemoveKey(section, key) ? 1 : 0;
}

}  // namespace UTKTools
