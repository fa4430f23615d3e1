#include "hostcontrol/DeviceMessageQueue.h"

#include <new>

namespace hostcontrol {

bool CDeviceMessageQueue::Add(const std::string& text) noexcept {
    try {
        m_queue.push_back(std::make_unique<std::string>(text));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CDeviceMessageQueue::PeekHead(const std::string*& out) const noexcept {
    if (m_queue.empty() || !m_queue.front()) return false;
    out = m_queue.front().get();
    return true;
}

bool CDeviceMessageQueue::RemoveHead() noexcept {
    if (m_queue.empty()) return false;
    m_queue.pop_front();
    return true;
}

}  // namespace hostcontrol
