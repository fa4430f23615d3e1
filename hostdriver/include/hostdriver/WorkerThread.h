// CWorkerThread: the thread object every driver thread runs on. Start runs a function with
// its argument; starting again while it runs is a no-op for the same function and argument
// (and refused for another), starting after it has ended runs it anew. Stop does not ask the
// thread to end (the function watches its own stop signal); it waits for the end and joins.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace quildrv {

class CWorkerThread {
public:
    using Function = unsigned (*)(void* argument);

    CWorkerThread() = default;
    ~CWorkerThread() { Stop(); }
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    [[nodiscard]] bool Start(Function function, void* argument);
    // Waits for the function to return. Nothing to do when never started; must not be
    // called on the thread itself.
    void Stop();

    bool Running() const noexcept { return m_running.load(); }
    unsigned Result() const noexcept { return m_result.load(); }

private:
    std::mutex m_state;  // the start record below
    std::thread m_thread;
    Function m_function = nullptr;
    void* m_argument = nullptr;
    std::atomic<bool> m_running{false};
    std::atomic<unsigned> m_result{0};
};

// Test hook: makes the next `count` thread starts fail.
void FailNextThreadStarts(int count);

}  // namespace quildrv
