// The one lock behind every waitable object's state and waiter queue.
#pragma once

#include <mutex>

namespace platform::detail {

std::mutex& WaitLock() noexcept;

}  // namespace platform::detail
