// Events of an automation object: the container gives the object a sink, and the object
// calls it by the event's dispatch id.
#pragma once

#include <memory>
#include <span>

#include "platform/Dispatch.h"
#include "platform/HResult.h"
#include "platform/Variant.h"
#include "platform/Win32Error.h"

namespace platform {

class IEventSink {
public:
    virtual ~IEventSink() = default;
    // One event with its arguments (values only, never references), on the thread the
    // object delivers its events on (see ConnectionPoint).
    virtual void OnEvent(DISPID id, std::span<const Variant> args) = 0;
};

// Where a container advises its sink.
class IConnectionPoint {
public:
    virtual ~IConnectionPoint() = default;
    // Adds a sink and gives back its cookie (never 0). E_POINTER for a null sink or cookie.
    [[nodiscard]] virtual HRESULT Advise(std::shared_ptr<IEventSink> sink, DWORD* cookie) = 0;
    // Removes it. CONNECT_E_NOCONNECTION for an unknown cookie. A sink removed on the
    // delivering thread gets no further event; removed from another thread, it may get the
    // one event being delivered at that moment.
    [[nodiscard]] virtual HRESULT Unadvise(DWORD cookie) = 0;
};

}  // namespace platform
