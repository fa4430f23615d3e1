// The process-wide table of loaded host driver libraries and the count of live sessions,
// shared by every session of the process.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/DynamicLibrary.h"
#include "toolkit/Mutex.h"
#include "toolkit/String.h"

namespace SessionNS::detail {

struct DriverTable {
    std::map<UTKString::CString, std::unique_ptr<platform::DynamicLibrary>> libraries;
    UTKTools::CRecursiveMutex librariesMutex;
    std::uint32_t sessionCount = 0;
    UTKTools::CRecursiveMutex sessionCountMutex;
    std::atomic<std::uint32_t> nextPooledId{0};
};

// Made on first use and kept to the end of the process.
DriverTable& Drivers();

}  // namespace SessionNS::detail
