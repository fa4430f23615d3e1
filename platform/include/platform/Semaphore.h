// A counting semaphore: a wait takes one from the count; Release adds to it, never past the
// maximum.
#pragma once

#include "platform/Wait.h"

namespace platform {

class Semaphore final : public Waitable {
public:
    // initial must lie in [0, maximum] and maximum be above 0 (clamped otherwise).
    Semaphore(long initial, long maximum);

    // Adds count (above 0) and gives the count before it in *previous. A release that would
    // pass the maximum changes nothing and fails with ERROR_TOO_MANY_POSTS; a count below 1
    // fails with ERROR_INVALID_PARAMETER.
    [[nodiscard]] bool Release(long count = 1, long* previous = nullptr);

private:
    [[nodiscard]] bool IsSignalledLocked() const override { return count_ > 0; }
    void AcquireLocked() override { --count_; }

    const long maximum_;
    long count_;  // under the wait lock
};

}  // namespace platform
