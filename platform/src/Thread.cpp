#include "platform/Thread.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cassert>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "WaitLock.h"

namespace platform {

DWORD GetCurrentThreadId() noexcept {
    return static_cast<DWORD>(::syscall(SYS_gettid));
}

Thread::Thread(std::string name) : name_(std::move(name)) {}

Thread::~Thread() {
    Stop();
    const bool joined = Join();
    assert(joined && "a thread object destroyed by its own thread");
    (void)joined;
}

bool Thread::Start(std::function<void()> body) {
    if (started_ || !body) {
        SetLastError(started_ ? ERROR_ALREADY_EXISTS : ERROR_INVALID_PARAMETER);
        return false;
    }
    // The new thread records its id before Start returns, so Id() is valid at once.
    std::mutex mutex;
    std::condition_variable running;
    bool idKnown = false;
    try {
        thread_ = std::thread([this, body = std::move(body), &mutex, &running, &idKnown]() mutable {
            if (!name_.empty()) {
                const std::string shortName = name_.substr(0, 15);
                pthread_setname_np(pthread_self(), shortName.c_str());
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                id_ = GetCurrentThreadId();
                idKnown = true;
                running.notify_one();  // under the lock: Start's frame outlives it
            }
            body();
            // The body and what it holds go before the thread counts as ended: a waiter may
            // then unload the code they came from.
            body = nullptr;
            std::lock_guard<std::mutex> lock(detail::WaitLock());
            finished_ = true;
            WakeWaitersLocked();
        });
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    started_ = true;
    std::unique_lock<std::mutex> lock(mutex);
    running.wait(lock, [&] { return idKnown; });
    return true;
}

bool Thread::Join() {
    if (!thread_.joinable()) return true;
    if (thread_.get_id() == std::this_thread::get_id()) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
    thread_.join();
    return true;
}

}  // namespace platform
