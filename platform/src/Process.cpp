#include "platform/Process.h"

#include <unistd.h>

namespace platform {

DWORD GetCurrentProcessId() noexcept {
    return static_cast<DWORD>(::getpid());
}

}  // namespace platform
