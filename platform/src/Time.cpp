#include "platform/Time.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "ClockWatch.h"
#include "platform/Clock.h"

namespace platform {

DWORD GetTickCount() noexcept {
    return CurrentClock().TickCount();
}

std::uint64_t GetTickCount64() noexcept {
    return CurrentClock().NowMs();
}

SystemTime GetLocalTime() noexcept {
    return CurrentClock().LocalTime();
}

std::int64_t CurrentTime() noexcept {
    const std::int64_t wall = CurrentClock().WallMs();
    return wall >= 0 ? wall / 1000 : (wall - 999) / 1000;
}

void Sleep(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::mutex mutex;
    std::condition_variable_any nobody;
    std::unique_lock<std::mutex> lock(mutex);
    const std::uint64_t deadline = detail::DeadlineAfter(ms);
    while (detail::WaitOnClock(nobody, lock, deadline)) {
    }
}

}  // namespace platform
