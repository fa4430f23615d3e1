// SessionNS::CContext: the log context of one session, "[number:host:port:LNIATA]", which
// every log context of that session begins with. Read and written from the caller's and
// the driver's threads; the text is guarded by its own lock.
#pragma once

#include <cstdarg>

#include "session/SessionApi.h"
#include "toolkit/Mutex.h"
#include "toolkit/String.h"

namespace SessionNS {

class SESSION_API CContext {
public:
    CContext() = default;
    // A null format gives an empty text.
    explicit CContext(const char* format, ...) SESSION_PRINTF(2, 3);
    CContext(const CContext&) = delete;
    CContext& operator=(const CContext&) = delete;
    virtual ~CContext();

    // A null format empties the text.
    void SetSession(const char* format, ...) SESSION_PRINTF(2, 3);
    void ClearSession();
    UTKString::CString GetSession();
    // The session text followed by `method` into `buffer`; CArgumentException 1019 for a
    // null buffer or method and for a buffer that cannot hold both and the terminator.
    char* BuildLocal(char* buffer, unsigned int size, const char* method);

private:
    void SetSessionV(const char* format, va_list args) SESSION_PRINTF(2, 0);

    UTKString::CString m_Session;
    UTKTools::CRecursiveMutex m_Mutex;
};

}  // namespace SessionNS
