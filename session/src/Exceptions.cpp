#include "session/Exceptions.h"

#include "BoundedFormat.h"

namespace SessionNS {

CExceptionBase::CExceptionBase(const CExceptionBase& other)
    : std::exception(other), m_Message(other.m_Message), m_Error(other.m_Error) {}

CExceptionBase& CExceptionBase::operator=(const CExceptionBase& other) {
    if (this != &other) {
        m_Message = other.m_Message;
        m_Error = other.m_Error;
    }
    return *this;
}

CExceptionBase::~CExceptionBase() = default;

const char* CExceptionBase::what() const noexcept {
    return m_Message.c_str();
}

void CExceptionBase::SetMessage(COMMError code, const char* format, va_list args) {
    m_Error = code;
    if (format != nullptr) {
        (void)detail::FormatBoundedV(m_Message, format, args);
    }
}

#define SESSION_EXCEPTION_CONSTRUCTOR(Class)                \
    Class::Class(COMMError code, const char* format, ...) { \
        va_list args;                                       \
        va_start(args, format);                             \
        SetMessage(code, format, args);                     \
        va_end(args);                                       \
    }                                                       \
    Class::~Class() = default;

SESSION_EXCEPTION_CONSTRUCTOR(CAPIException)
SESSION_EXCEPTION_CONSTRUCTOR(CArgumentException)
SESSION_EXCEPTION_CONSTRUCTOR(CHostException)

#undef SESSION_EXCEPTION_CONSTRUCTOR

}  // namespace SessionNS
