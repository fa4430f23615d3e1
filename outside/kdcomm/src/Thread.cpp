#include "kdcomm/Thread.h"

#include <atomic>
#include <new>
#include <system_error>
#include <thread>

namespace kdcomm {

class ThreadHandle {
public:
    std::thread thread;
    std::atomic<bool> exited{false};
    std::atomic<int> level{0};
};

ThreadHandle* StartThread(ThreadProc proc, void* argument) {
    if (!proc) return nullptr;
    auto* handle = new (std::nothrow) ThreadHandle;
    if (!handle) return nullptr;
    try {
        handle->thread = std::thread([handle, proc, argument] {
            proc(argument);
            handle->exited.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        delete handle;
        return nullptr;
    }
    return handle;
}

bool SetThreadPriorityLevel(ThreadHandle* thread, int level) {
    if (!thread || level < -2 || level > 2) return false;
    thread->level.store(level);
    return true;
}

int GetThreadPriorityLevel(const ThreadHandle* thread) {
    return thread ? thread->level.load() : 0;
}

bool IsThreadExited(const ThreadHandle* thread) {
    return !thread || thread->exited.load(std::memory_order_acquire);
}

void JoinThread(ThreadHandle* thread) {
    if (!thread) return;
    if (thread->thread.joinable()) thread->thread.join();
    delete thread;
}

}  // namespace kdcomm
