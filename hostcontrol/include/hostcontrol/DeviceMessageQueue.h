// The device's queue of received messages: owned texts, oldest first. Running out of memory
// is caught inside and answered FALSE.
#pragma once

#include <deque>
#include <memory>
#include <string>

namespace hostcontrol {

class CDeviceMessageQueue {
public:
    // Appends a copy of the text.
    bool Add(const std::string& text) noexcept;
    // The head without removing it; false when the queue is empty.
    bool PeekHead(const std::string*& out) const noexcept;
    bool RemoveHead() noexcept;
    [[nodiscard]] bool IsEmpty() const noexcept { return m_queue.empty(); }
    void RemoveAll() noexcept { m_queue.clear(); }

private:
    std::deque<std::unique_ptr<std::string>> m_queue;
};

}  // namespace hostcontrol
