#include "core/Version.h"

#include "core/TraceLog.h"

CVersion::CVersion(Query query) : m_query(std::move(query)) {
    if (!m_query) m_query = [](platform::OsVersion& out) { return platform::QueryOsVersion(out); };
}

int CVersion::GetOSVersion() {
    if (m_nVersion != VERSION_UNKNOWN) return m_nVersion;
    platform::OsVersion os;
    if (!m_query(os)) {
        TRACE_LAST_ERROR("CVersion::GetOSVersion(): ::GetVersionEx():");
        return m_nVersion;
    }
    if (os.platformId == platform::kPlatformWin32Windows && os.major == 4 && os.minor == 0) {
        m_nVersion = VERSION_WIN95;
    } else if (os.platformId == platform::kPlatformWin32Nt && os.major == 4 && os.minor == 0) {
        m_nVersion = VERSION_NT4;
    } else if (os.platformId == platform::kPlatformWin32Nt && os.major == 3 && os.minor == 51) {
        m_nVersion = VERSION_NT351;
    }
    return m_nVersion;
}
