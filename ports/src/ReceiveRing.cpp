#include "ReceiveRing.h"

#include <algorithm>
#include <cstring>

namespace lineserv {

std::size_t ReceiveRing::put(const std::uint8_t* bytes, std::size_t count) {
    kdcomm::Guard hold(m_lock);
    const std::size_t kept = std::min(count, kCapacity - m_count);
    std::size_t tail = (m_head + m_count) % kCapacity;
    std::size_t done = 0;
    while (done < kept) {
        const std::size_t run = std::min(kept - done, kCapacity - tail);
        std::memcpy(m_cells.data() + tail, bytes + done, run);
        done += run;
        tail = (tail + run) % kCapacity;
    }
    m_count += kept;
    return kept;
}

std::size_t ReceiveRing::take(std::uint8_t* out, std::size_t size) {
    kdcomm::Guard hold(m_lock);
    const std::size_t moved = std::min(size, m_count);
    std::size_t done = 0;
    while (done < moved) {
        const std::size_t run = std::min(moved - done, kCapacity - m_head);
        std::memcpy(out + done, m_cells.data() + m_head, run);
        done += run;
        m_head = (m_head + run) % kCapacity;
    }
    m_count -= moved;
    if (m_count == 0) m_head = 0;
    return moved;
}

std::size_t ReceiveRing::count() {
    kdcomm::Guard hold(m_lock);
    return m_count;
}

}  // namespace lineserv
