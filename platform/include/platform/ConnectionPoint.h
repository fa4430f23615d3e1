// The connection point an automation object fires its events through. It belongs to the
// thread that constructs it, as an object of the original's apartment model belongs to the
// thread that created it: every sink is called on that thread's event loop, whichever thread
// fires. An event fired on that thread is delivered at once (after any events from other
// threads that still wait, so that the order of firing is kept); one fired elsewhere is
// queued and handed to the loop, either posted (the firing thread goes on at once) or sent
// (the firing thread waits until the sinks have run). A constructing thread without a loop
// gets its events on the firing thread.
//
// The loop may end before the connection point: Fire then answers that the loop is gone.
// Lock order: the connection point's own lock only; it is never held while a sink runs.
#pragma once

#include <memory>
#include <span>

#include "platform/EventSink.h"

namespace platform {

class ConnectionPoint final : public IConnectionPoint {
public:
    enum class Delivery { Post, Send };

    explicit ConnectionPoint(Delivery delivery = Delivery::Post);
    ~ConnectionPoint() override;
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    [[nodiscard]] HRESULT Advise(std::shared_ptr<IEventSink> sink, DWORD* cookie) override;
    [[nodiscard]] HRESULT Unadvise(DWORD cookie) override;

    // Any thread: delivers one event to every advised sink. E_INVALIDARG for a reference
    // among the arguments (it could not outlive the call); HRESULT_FROM_WIN32(
    // ERROR_INVALID_WINDOW_HANDLE) when the owning loop is gone.
    [[nodiscard]] HRESULT Fire(DISPID id, std::span<const Variant> args);

    struct Impl;

private:
    std::shared_ptr<Impl> m_impl;
};

}  // namespace platform
