// Which Windows version the program runs on, asked once per object: 0 not classified (any
// other system, or the question failed), 1 the consumer family 4.0, 2 the NT family 4.0,
// 3 the NT family 3.51.
#pragma once

#include <functional>

#include "platform/HostInfo.h"

class CVersion {
public:
    enum : int { VERSION_UNKNOWN = 0, VERSION_WIN95 = 1, VERSION_NT4 = 2, VERSION_NT351 = 3 };

    using Query = std::function<bool(platform::OsVersion&)>;

    // Asks the system (platform::QueryOsVersion) unless given another source of the facts.
    explicit CVersion(Query query = {});

    // The cached class when known; otherwise asks (again) and caches a known answer.
    int GetOSVersion();

private:
    Query m_query;
    int m_nVersion = VERSION_UNKNOWN;
};
