// An event object: auto-reset (a signal releases exactly one waiter, and is kept until one
// comes) or manual-reset (stays signalled and releases every waiter until reset).
#pragma once

#include "platform/Wait.h"

namespace platform {

enum class EventReset { Auto, Manual };

class Event final : public Waitable {
public:
    explicit Event(EventReset reset = EventReset::Auto, bool signalled = false)
        : manual_(reset == EventReset::Manual), signalled_(signalled) {}

    void Set();
    void Reset();
    // The state right now (no waiter is released and nothing is taken).
    [[nodiscard]] bool IsSet() const;

private:
    [[nodiscard]] bool IsSignalledLocked() const override { return signalled_; }
    void AcquireLocked() override;

    const bool manual_;
    bool signalled_;  // under the wait lock
};

}  // namespace platform
