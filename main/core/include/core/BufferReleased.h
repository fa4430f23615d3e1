// The flush hand-off between a device's send thread and the thread that flushes its queue:
// the send thread says it has let go of the buffer it was writing (true), the flush waits
// for that word, bounded, and takes it back (false). Set and read like a flag.
#pragma once

#include "platform/Event.h"
#include "platform/Wait.h"

namespace core {

class CBufferReleased {
public:
    CBufferReleased& operator=(bool bReleased) {
        if (bReleased)
            m_event.Set();
        else
            m_event.Reset();
        return *this;
    }
    operator bool() const { return m_event.IsSet(); }  // NOLINT(google-explicit-constructor)
    // True when the buffer was released or is within ms (on the injected clock).
    bool WaitFor(platform::DWORD ms) {
        return platform::WaitForSingleObject(m_event, ms) == platform::WAIT_OBJECT_0;
    }

private:
    platform::Event m_event{platform::EventReset::Manual};
};

}  // namespace core
