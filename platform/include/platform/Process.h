// Facts about the running process.
#pragma once

#include "platform/Win32Error.h"

namespace platform {

// The calling process's id, as GetCurrentProcessId gives it.
DWORD GetCurrentProcessId() noexcept;

}  // namespace platform
