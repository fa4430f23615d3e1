#include "quil2sp/WorkerEvents.h"

namespace QUIL2SessionNS {

void WorkerEvents::Post(EWorkerEvent index, int value, std::string text) {
    if (index < 0 || index >= kEventCount) return;
    {
        std::lock_guard guard(m_lock);
        m_pending[index].push_back(WorkerEvent{index, value, std::move(text)});
    }
    m_posted.notify_one();
}

std::optional<WorkerEvent> WorkerEvents::Take(std::chrono::milliseconds limit) {
    std::unique_lock guard(m_lock);
    const auto any = [this] {
        for (const auto& queue : m_pending)
            if (!queue.empty()) return true;
        return false;
    };
    if (!m_posted.wait_for(guard, limit, any)) return std::nullopt;
    for (auto& queue : m_pending) {
        if (queue.empty()) continue;
        WorkerEvent event = std::move(queue.front());
        queue.pop_front();
        return event;
    }
    return std::nullopt;
}

std::size_t WorkerEvents::Pending(EWorkerEvent index) {
    std::lock_guard guard(m_lock);
    return index >= 0 && index < kEventCount ? m_pending[index].size() : 0;
}

}  // namespace QUIL2SessionNS
