// The receive ring of an event-driven port: 4096 bytes, oldest first. When it is full,
// arriving bytes are dropped, so it keeps the oldest 4096.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "kdcomm/SyncObject.h"

namespace lineserv {

class ReceiveRing {
public:
    static constexpr std::size_t kCapacity = 4096;

    // Both take the ring lock themselves; lock() lets a caller hold it across a step.
    // Returns the bytes kept (the rest did not fit).
    std::size_t put(const std::uint8_t* bytes, std::size_t count);
    std::size_t take(std::uint8_t* out, std::size_t size);
    std::size_t count();

    kdcomm::CriticalSection& lock() { return m_lock; }

private:
    kdcomm::CriticalSection m_lock;  // guards everything below
    std::array<std::uint8_t, kCapacity> m_cells{};
    std::size_t m_head = 0;  // the oldest byte
    std::size_t m_count = 0;
};

}  // namespace lineserv
