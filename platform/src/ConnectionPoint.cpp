#include "platform/ConnectionPoint.h"

#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"

namespace platform {

namespace {

// The one message a connection point sends itself: "deliver what is queued".
constexpr UINT kDeliverMessage = WM_APP + 0x3E0;

struct QueuedEvent {
    DISPID id;
    std::vector<Variant> args;
};

}  // namespace

struct ConnectionPoint::Impl final : IMessageTarget, std::enable_shared_from_this<Impl> {
    std::thread::id owner;
    HWND target = 0;  // on the owner's loop, or 0: deliver on the firing thread
    Delivery delivery = Delivery::Post;

    std::mutex mutex;
    std::map<DWORD, std::shared_ptr<IEventSink>> sinks;
    DWORD nextCookie = 1;
    std::deque<QueuedEvent> queue;

    LRESULT OnMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg == kDeliverMessage) DeliverQueued();
        return 0;
    }

    // Runs the queued events, one at a time, each to the sinks advised when it comes up. A
    // sink may drop the last reference to the object that owns the connection point: this
    // part stays alive until the delivery is over.
    void DeliverQueued() {
        const std::shared_ptr<Impl> self = shared_from_this();
        for (;;) {
            QueuedEvent event;
            std::vector<std::shared_ptr<IEventSink>> receivers;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (queue.empty()) return;
                event = std::move(queue.front());
                queue.pop_front();
                receivers.reserve(sinks.size());
                for (const auto& [cookie, sink] : sinks) receivers.push_back(sink);
            }
            for (const auto& sink : receivers) {
                if (StillAdvised(sink)) sink->OnEvent(event.id, event.args);
            }
        }
    }

    bool StillAdvised(const std::shared_ptr<IEventSink>& sink) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& [cookie, advised] : sinks) {
            if (advised == sink) return true;
        }
        return false;
    }
};

ConnectionPoint::ConnectionPoint(Delivery delivery) : m_impl(std::make_shared<Impl>()) {
    m_impl->delivery = delivery;
    m_impl->owner = std::this_thread::get_id();
    if (EventLoop* loop = EventLoop::Current()) m_impl->target = loop->AddTarget(*m_impl);
}

ConnectionPoint::~ConnectionPoint() {
    // Nothing more reaches the sinks, not even what a delivery in progress still holds. They
    // are released after the lock.
    std::map<DWORD, std::shared_ptr<IEventSink>> sinks;
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        sinks.swap(m_impl->sinks);
        m_impl->queue.clear();
    }
    // By its handle: the loop may have gone first, and then there is nothing to remove.
    if (m_impl->target != 0) RemoveTarget(m_impl->target);
}

HRESULT ConnectionPoint::Advise(std::shared_ptr<IEventSink> sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    const DWORD assigned = m_impl->nextCookie++;
    if (m_impl->nextCookie == 0) m_impl->nextCookie = 1;
    m_impl->sinks.emplace(assigned, std::move(sink));
    *cookie = assigned;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    std::shared_ptr<IEventSink> removed;  // released after the lock
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    auto it = m_impl->sinks.find(cookie);
    if (it == m_impl->sinks.end()) return CONNECT_E_NOCONNECTION;
    removed = std::move(it->second);
    m_impl->sinks.erase(it);
    return S_OK;
}

HRESULT ConnectionPoint::Fire(DISPID id, std::span<const Variant> args) {
    for (const Variant& arg : args) {
        if (arg.vt() & VT_BYREF) return E_INVALIDARG;
    }
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        m_impl->queue.push_back({id, std::vector<Variant>(args.begin(), args.end())});
    }
    if (m_impl->target == 0 || std::this_thread::get_id() == m_impl->owner) {
        m_impl->DeliverQueued();
        return S_OK;
    }
    if (m_impl->delivery == Delivery::Post) {
        if (PostMessage(m_impl->target, kDeliverMessage, 0, 0)) return S_OK;
    } else {
        SetLastError(ERROR_SUCCESS);
        (void)SendMessage(m_impl->target, kDeliverMessage, 0, 0);
        if (GetLastError() != ERROR_INVALID_WINDOW_HANDLE) return S_OK;
    }
    // The loop is gone: nothing will deliver what was queued.
    std::lock_guard<std::mutex> lock(m_impl->mutex);
    m_impl->queue.clear();
    return HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE);
}

}  // namespace platform
