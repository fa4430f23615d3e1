// A thread owned by one object. Constructed without running; Start is a separate step. The
// owner asks it to end through its stop event (which the thread body watches) and joins it;
// the destructor does both. A thread is never detached and never cancelled.
//
// A Thread is itself waitable: it is signalled once its body has returned, so an owner can
// wait for its end with a time-out.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/Wait.h"

namespace platform {

// The calling thread's system-wide id.
DWORD GetCurrentThreadId() noexcept;

class Thread final : public Waitable {
public:
    // The name (at most 15 bytes are kept) shows in debuggers and thread lists.
    explicit Thread(std::string name = {});
    // Stop, then Join. Must not run on the thread itself.
    ~Thread() override;

    // Runs body on a new thread. False (with the last error set) when the thread was already
    // started or cannot be created.
    [[nodiscard]] bool Start(std::function<void()> body);

    // Sets the stop event; the body ends when it sees it.
    void Stop() { stop_.Set(); }
    // The manual-reset event that Stop sets; the body waits on it or tests it.
    [[nodiscard]] Event& StopEvent() noexcept { return stop_; }
    [[nodiscard]] bool StopRequested() const { return stop_.IsSet(); }

    // Waits for the body to return. Nothing to do when the thread never started or was
    // joined already; false when called on the thread itself.
    bool Join();

    [[nodiscard]] bool Started() const noexcept { return started_; }
    // The system-wide id of the running thread (0 before it started).
    [[nodiscard]] DWORD Id() const noexcept { return id_; }
    [[nodiscard]] const std::string& Name() const noexcept { return name_; }

private:
    [[nodiscard]] bool IsSignalledLocked() const override { return finished_; }
    void AcquireLocked() override {}

    std::string name_;
    Event stop_{EventReset::Manual};
    std::thread thread_;
    bool started_ = false;
    std::atomic<DWORD> id_{0};
    bool finished_ = false;  // under the wait lock
};

}  // namespace platform
