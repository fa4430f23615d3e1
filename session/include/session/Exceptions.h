// The session layer's failures: a COMMError with a formatted text, thrown as CAPIException
// (the session interface and the driver), CArgumentException (a bad argument or record) or
// CHostException. A caller that must see every session failure catches CExceptionBase.
// Also the code table: names, texts and the mapping of a driver's integer to a code.
#pragma once

#include <cstdarg>
#include <exception>

#include "session/CommError.h"
#include "session/SessionApi.h"
#include "toolkit/String.h"

namespace SessionNS {

class SESSION_API CExceptionBase : public std::exception {
public:
    CExceptionBase(const CExceptionBase& other);
    CExceptionBase& operator=(const CExceptionBase& other);
    ~CExceptionBase() override;

    const char* what() const noexcept override;
    COMMError error() const { return m_Error; }

protected:
    CExceptionBase() = default;
    // Formats the text (never cut below 1 MiB) and stores the code; a null format keeps
    // the text.
    void SetMessage(COMMError code, const char* format, va_list args) SESSION_PRINTF(3, 0);

private:
    UTKString::CString m_Message;
    COMMError m_Error = COMM_NO_ERROR;
};

class SESSION_API CAPIException : public CExceptionBase {
public:
    CAPIException(COMMError code, const char* format, ...) SESSION_PRINTF(3, 4);
    CAPIException(const CAPIException& other) = default;
    ~CAPIException() override;
};

class SESSION_API CArgumentException : public CExceptionBase {
public:
    CArgumentException(COMMError code, const char* format, ...) SESSION_PRINTF(3, 4);
    CArgumentException(const CArgumentException& other) = default;
    ~CArgumentException() override;
};

class SESSION_API CHostException : public CExceptionBase {
public:
    CHostException(COMMError code, const char* format, ...) SESSION_PRINTF(3, 4);
    CHostException(const CHostException& other) = default;
    ~CHostException() override;
};

// "COMM_ERR_TIMEOUT" and the like; "UNRECOGNIZED" for a value without a name.
SESSION_API const char* CommErrorName(COMMError code);
// The text of a code; the unrecognised-code text for a value without one.
SESSION_API const char* CommErrorText(int code);
// 0 and 1001 to 1053 pass unchanged, anything else is COMM_ERR_UNKNOWN.
SESSION_API COMMError ConvertCommError(int code);

}  // namespace SessionNS
