#include "toolkit/Config.h"

#include <climits>
#include <cstdio>
#include <new>

namespace CConfigNS {

using UTKString::CString;
using UTKTools::CGuard;

IConfig::IConfig(IMPLEMENTOR_TYPE type) : m_type(type) {
    CGuard guard(m_mutex);
    if (m_type == IMPLEMENTOR_FILE) {
        m_pImplementor = new (std::nothrow) CConfigFileImplementor();
    }
}

IConfig::~IConfig() {
    CGuard guard(m_mutex);
    delete m_pImplementor;
    m_pImplementor = nullptr;
}

CConfig::~CConfig() = default;

void IConfig::SetSource(const CString& source) {
    if (m_pImplementor != nullptr) {
        m_pImplementor->SetSource(source);
    }
}

CString IConfig::GetSource() {
    return m_pImplementor != nullptr ? m_pImplementor->GetSource() : CString();
}

IConfigImplementor::E_RESULTCODE IConfig::RefreshFromMedia() {
    return m_pImplementor != nullptr ? m_pImplementor->RefreshFromMedia()
                                     : IConfigImplementor::E_NO_CHANGE;
}

bool IConfig::FlushToMedia() {
    return m_pImplementor != nullptr && m_pImplementor->FlushToMedia();
}

bool IConfig::Get(const char* section, const char* key, CString& value,
                  const CString& defaultValue) {
    value = "";
    return m_pImplementor != nullptr && m_pImplementor->Get(section, key, value, defaultValue);
}

bool IConfig::GetMapped(const char* section, const char* key, CString& value,
                        const CString& defaultValue, bool upper) {
    value = "";
    CString scratch;
    if (!Get(section, key, scratch, defaultValue)) {
        return false;
    }
    for (std::uint32_t i = 0; i < scratch.length(); ++i) {
        char c = scratch.c_str()[i];
        if (upper && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!upper && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        value += c;
    }
    return true;
}

bool IConfig::GetUpper(const char* section, const char* key, CString& value,
                       const CString& defaultValue) {
    return GetMapped(section, key, value, defaultValue, true);
}

bool IConfig::GetLower(const char* section, const char* key, CString& value,
                       const CString& defaultValue) {
    return GetMapped(section, key, value, defaultValue, false);
}

bool IConfig::GetWord(const char* section, const char* key, bool defaultValue, const char* yes) {
    CString text;
    if (!GetUpper(section, key, text, CString()) || text.empty()) {
        return defaultValue;
    }
    return text == yes;
}

bool IConfig::GetYesNo(const char* section, const char* key, bool defaultValue) {
    return GetWord(section, key, defaultValue, "YES");
}

bool IConfig::GetTrueFalse(const char* section, const char* key, bool defaultValue) {
    return GetWord(section, key, defaultValue, "TRUE");
}

namespace {
// A signed decimal number as atol reads it, saturated at the ends of the 32-bit range.
std::int32_t ParseLong(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' ||
           *text == '\v') {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    std::int64_t magnitude = 0;
    const std::int64_t limit = negative ? -std::int64_t{INT_MIN} : INT_MAX;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude >= limit) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}
}  // namespace

bool IConfig::GetLong(const char* section, const char* key, std::int32_t& value,
                      std::int32_t defaultValue) {
    value = defaultValue;
    CString text;
    if (!Get(section, key, text, CString())) {
        return true;
    }
    const std::int32_t number = ParseLong(text.c_str());
    if (number != INT_MIN && number != INT_MAX) {
        value = number;
    }
    return true;
}

bool IConfig::Set(const char* section, const char* key, const char* value) {
    return m_pImplementor != nullptr && m_pImplementor->Set(section, key, value);
}

bool IConfig::SetTrueFalse(const char* section, const char* key, bool value) {
    return Set(section, key, value ? "TRUE" : "FALSE");
}

bool IConfig::SetYesNo(const char* section, const char* key, bool value) {
    return Set(section, key, value ? "YES" : "NO");
}

bool IConfig::SetLong(const char* section, const char* key, long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return Set(section, key, text);
}

bool IConfig::RemoveSection(const char* section) {
    return m_pImplementor != nullptr && m_pImplementor->RemoveSection(section);
}

bool IConfig::RemoveKey(const char* section, const char* key) {
    return m_pImplementor != nullptr && m_pImplementor->RemoveKey(section, key);
}

IConfigImplementor::E_RESULTCODE IConfig::GetLastError() {
    return m_pImplementor != nullptr ? m_pImplementor->GetLastError()
                                     : IConfigImplementor::E_NO_IMPLEMENTAION_OBJ;
}

const char* IConfig::GetLastErrorString() {
    return m_pImplementor != nullptr ? m_pImplementor->GetLastErrorString()
                                     : "No Implementation Object";
}

void IConfig::ClearLastError() {
    if (m_pImplementor != nullptr) {
        m_pImplementor->ClearLastError();
    }
}

}  // namespace CConfigNS
