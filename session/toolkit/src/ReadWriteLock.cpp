#include "toolkit/ReadWriteLock.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/Wait.h"
#include "platform/Win32Error.h"
#include "toolkit/SyncException.h"

namespace UTKTools {
namespace {

// "<operation>> <message>> Error: <code> - <system text>", the message built from its
// template with the operation and the object's name.
[[noreturn]] void Fail(const char* messageTemplate, ...) UTK_PRINTF(1, 2);
[[noreturn]] void Fail(const char* messageTemplate, ...) {
    char message[256];
    va_list args;
    va_start(args, messageTemplate);
    std::vsnprintf(message, sizeof message, messageTemplate, args);
    va_end(args);
    const auto code = static_cast<std::int32_t>(platform::GetLastError());
    const std::string text = platform::SystemErrorText(static_cast<platform::DWORD>(code));
    throw CSyncException(code, "%s> Error: %d - %s", message, code, text.c_str());
}

void WaitFor(platform::Event& event, const char* operation, const char* object) {
    const platform::DWORD rc = platform::WaitForSingleObject(event, platform::INFINITE);
    switch (rc) {
        case platform::WAIT_OBJECT_0:
            return;
        case platform::WAIT_TIMEOUT:
            Fail("%s> Wait for %s timed out: INFINITE!", operation, object);
        case platform::WAIT_FAILED:
            Fail("%s> Wait for %s failed!", operation, object);
        default:
            Fail("%s> Unrecognized return from WaitForSingleObject %s", operation, object);
    }
}

constexpr const char* kReaderLock = "CReadWriteLock::CReader::Lock";
constexpr const char* kWriterLock = "CReadWriteLock::CWriter::Lock";
constexpr const char* kReaderEvent = "hReaderEvent";
constexpr const char* kMutexEvent = "hMutexEvent";
constexpr const char* kWriterMutex = "hWriterMutex";

}  // namespace

// ---- CRWState ----

CReadWriteLock::CRWState::CRWState() = default;

CReadWriteLock::CRWState::CRWState(const CRWState&) {
    throw CSyncException(-1, "CRWState::CRWState(rho)> copy ctr illegal");
}

CReadWriteLock::CRWState& CReadWriteLock::CRWState::operator=(const CRWState&) {
    throw CSyncException(-1, "CRWState::operator=> illegal");
}

CReadWriteLock::CRWState::~CRWState() = default;

// ---- CReader ----

CReadWriteLock::CReader::CReader(const CReader& other) : CLockable(other), m_state(other.m_state) {
    throw CSyncException(-1, "CReader::CReader(rho)> copy ctr illegal");
}

CReadWriteLock::CReader& CReadWriteLock::CReader::operator=(const CReader&) {
    throw CSyncException(-1, "CReader::operator=> illegal");
}

CReadWriteLock::CReader::~CReader() = default;

void CReadWriteLock::CReader::Lock() {
    bool first = false;
    {
        CGuard guard(m_state.m_counterLock);
        first = m_state.m_nReaders.fetch_add(1) + 1 == 0;
        if (first) {
            // The first reader takes the lock from the writers for all readers.
            WaitFor(m_state.m_hMutexEvent, kReaderLock, kMutexEvent);
            m_state.m_hReaderEvent.Set();
        }
    }
    WaitFor(m_state.m_hReaderEvent, kReaderLock, kReaderEvent);
}

void CReadWriteLock::CReader::Unlock() {
    CGuard guard(m_state.m_counterLock);
    if (m_state.m_nReaders.fetch_sub(1) - 1 < 0) {
        m_state.m_hReaderEvent.Reset();
        m_state.m_hMutexEvent.Set();
    }
}

// ---- CWriter ----

CReadWriteLock::CWriter::CWriter(const CWriter& other) : CLockable(other), m_state(other.m_state) {
    throw CSyncException(-1, "CWriter::CWriter(rho)> copy ctr illegal");
}

CReadWriteLock::CWriter& CReadWriteLock::CWriter::operator=(const CWriter&) {
    throw CSyncException(-1, "CWriter::operator=> illegal");
}

CReadWriteLock::CWriter::~CWriter() = default;

void CReadWriteLock::CWriter::Lock() {
    WaitFor(m_state.m_hWriterMutex, kWriterLock, kWriterMutex);
    WaitFor(m_state.m_hMutexEvent, kWriterLock, kMutexEvent);
}

void CReadWriteLock::CWriter::Unlock() {
    m_state.m_hMutexEvent.Set();
    m_state.m_hWriterMutex.Set();
}

// ---- CReadWriteLock ----

CReadWriteLock::CReadWriteLock() = default;

CReadWriteLock::CReadWriteLock(const CReadWriteLock&) {
    throw CSyncException(-1, "CReadWriteLock::CReadWriteLock(rho)> copy ctr illegal");
}

CReadWriteLock& CReadWriteLock::operator=(const CReadWriteLock&) {
    throw CSyncException(-1, "CReadWriteLock::operator=> illegal");
}

CReadWriteLock::~CReadWriteLock() = default;

}  // namespace UTKTools
