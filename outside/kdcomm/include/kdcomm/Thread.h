// Worker threads for the outside libraries: start, ask whether the thread has ended, and
// join it. A thread is never detached: whoever starts one joins it with JoinThread.
#pragma once

namespace kdcomm {

class ThreadHandle;
using ThreadProc = unsigned (*)(void* argument);

// Starts proc(argument) on a new thread; null when the thread cannot be started.
[[nodiscard]] ThreadHandle* StartThread(ThreadProc proc, void* argument);

// Priority levels from -2 (lowest) to 2 (highest) around 0 (normal). Threads run at the
// process's own scheduling class; a level outside the range is refused.
[[nodiscard]] bool SetThreadPriorityLevel(ThreadHandle* thread, int level);
int GetThreadPriorityLevel(const ThreadHandle* thread);

// True once proc has returned (also for a null handle).
[[nodiscard]] bool IsThreadExited(const ThreadHandle* thread);

// Waits for the thread to end and frees the handle. Must not be called by the thread itself.
void JoinThread(ThreadHandle* thread);

}  // namespace kdcomm
