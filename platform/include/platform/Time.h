// Time as the rest of the system reads it: a 32-bit millisecond tick that wraps after about
// 49.7 days, a 64-bit monotonic millisecond count, the local wall-clock time broken into its
// fields, the wall-clock time in whole seconds, and Sleep. Every one of them reads the
// process-wide current clock (platform/Clock.h), so a test that injects a FakeClock controls
// them all.
#pragma once

#include <cstdint>

#include "platform/Win32Error.h"

namespace platform {

// A wait that never ends by itself.
inline constexpr DWORD INFINITE = 0xFFFFFFFF;

// Local wall-clock time, field by field. wDayOfWeek: 0 Sunday to 6 Saturday; wMonth 1 to 12.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// Milliseconds since an arbitrary start, truncated to 32 bits (wraps).
DWORD GetTickCount() noexcept;
// Milliseconds since an arbitrary start; never wraps, never goes back.
std::uint64_t GetTickCount64() noexcept;
// The local wall-clock time.
SystemTime GetLocalTime() noexcept;
// Seconds since 1970-01-01 00:00:00 UTC, as time() gives them.
std::int64_t CurrentTime() noexcept;
// Blocks the calling thread for ms milliseconds of the current clock. Sleep(0) gives the
// processor to another ready thread; Sleep(INFINITE) never returns.
void Sleep(DWORD ms);

}  // namespace platform
