#include "session/Context.h"

#include <cstdio>
#include <cstring>

#include "BoundedFormat.h"
#include "session/Exceptions.h"

namespace SessionNS {

CContext::CContext(const char* format, ...) {
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        SetSessionV(format, args);
        va_end(args);
    }
}

CContext::~CContext() = default;

void CContext::SetSession(const char* format, ...) {
    va_list args;
    va_start(args, format);
    SetSessionV(format, args);
    va_end(args);
}

void CContext::SetSessionV(const char* format, va_list args) {
    UTKString::CString text;
    if (format != nullptr && !detail::FormatBoundedV(text, format, args)) {
        throw CAPIException(COMM_ERR_OUTOFMEMORY,
                            "CContext::SetSession unable to create session context");
    }
    UTKTools::CGuard guard(m_Mutex);
    m_Session = text;
}

void CContext::ClearSession() {
    UTKTools::CGuard guard(m_Mutex);
    m_Session = "";
}

UTKString::CString CContext::GetSession() {
    UTKTools::CGuard guard(m_Mutex);
    return m_Session;
}

char* CContext::BuildLocal(char* buffer, unsigned int size, const char* method) {
    if (buffer == nullptr) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CContext::BuildLocal LocalContextBuffer may not be NULL");
    }
    if (method == nullptr) {
        throw CArgumentException(COMM_ERR_BADINPUT,
                                 "CContext::BuildLocal MethodContext may not be NULL");
    }
    UTKTools::CGuard guard(m_Mutex);
    if (size <= m_Session.length() + std::strlen(method)) {
        throw CArgumentException(
            COMM_ERR_BADINPUT,
            "CContext::BuildLocal LocalContextBufferLength too small to contain local context");
    }
    std::snprintf(buffer, size, "%s%s", m_Session.c_str(), method);
    return buffer;
}

}  // namespace SessionNS
