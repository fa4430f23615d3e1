#include "kdcomm/Thread.h"

#include <atomic>
#include <new>

#include "platform/Thread.h"
#include "platform/Wait.h"

namespace kdcomm {

class ThreadHandle {
public:
    platform::Thread thread{"kdcomm"};
    std::atomic<int> level{0};
};

ThreadHandle* StartThread(ThreadProc proc, void* argument) {
    if (!proc) return nullptr;
    auto* handle = new (std::nothrow) ThreadHandle;
    if (!handle) return nullptr;
    if (!handle->thread.Start([proc, argument] { proc(argument); })) {
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
    if (!thread) return true;
    return platform::WaitForSingleObject(const_cast<ThreadHandle*>(thread)->thread, 0) ==
           platform::WAIT_OBJECT_0;
}

void JoinThread(ThreadHandle* thread) {
    if (!thread) return;
    static_cast<void>(thread->thread.Join());
    delete thread;
}

}  // namespace kdcomm
