// The result of the toolkit's timed waits.
#pragma once

#include <cstdint>

namespace UTKTools {

enum EWAIT_RESULT : std::int32_t {
    EWAIT_TIMEOUT = 0,   // the time-out passed
    EWAIT_SIGNALED = 1,  // the object was signalled
    EWAIT_FAILED = 2,    // the wait failed
};

}  // namespace UTKTools
