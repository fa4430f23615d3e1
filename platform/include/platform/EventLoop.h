// The message loop of a thread: messages posted to targets, messages sent to them from other
// threads, timers, watches on file descriptors, and a nested pump for modal waits.
//
// One EventLoop per thread that needs one; it belongs to the thread that constructs it, and
// everything it dispatches (messages, timers, watch callbacks) runs on that thread only.
// Targets stand where windows stood: a target is registered with a loop and gets a handle
// (HWND) that any thread may post or send to. Handles are never reused, so a message for a
// removed target is dropped, never delivered to another one.
//
// In each turn the loop first runs the messages sent from other threads, then the messages
// that were posted when it woke (first in, first out; later ones wait for the next turn), then
// the ready file descriptors, then the timers that are due. A timer that fell behind fires once,
// not once per period missed. Timers and time-outs run on the current clock (platform/Clock.h).
//
// Lock order: the process-wide target table, then a loop's own lock; the clock's watch lock
// (platform/Clock.h) only wakes loops and takes neither. No lock is held while a handler,
// timer or watch callback runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Time.h"
#include "platform/Win32Error.h"

namespace platform {

using UINT = std::uint32_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
// A message target's handle; 0 is no target.
using HWND = std::uint64_t;

inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_TIMER = 0x0113;  // wParam: the timer id
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

// What a window was: something that handles messages on its loop's thread.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

class EventLoop {
public:
    // Bits of a file-descriptor watch. Readable and Writable are asked for; Error and HangUp
    // are reported whatever was asked.
    enum : unsigned { Readable = 1, Writable = 2, Error = 4, HangUp = 8 };
    using WatchCallback = std::function<void(unsigned events)>;

    // Binds the new loop to the calling thread, which must not have one yet.
    EventLoop();
    // Destroy it on its own thread, outside Run and PumpUntil. Removes its targets, watches and
    // timers; SendMessage calls still waiting on it return 0.
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // The calling thread's loop, or nullptr.
    [[nodiscard]] static EventLoop* Current() noexcept;
    [[nodiscard]] bool IsLoopThread() const noexcept;
    // False when the system refused the loop its descriptors (too many open files, say); the
    // constructor then set the last error. Such a loop dispatches nothing: Run returns -1 and
    // PumpUntil false at once, with the last error set again.
    [[nodiscard]] bool IsValid() const noexcept;

    // Registers a target (any thread). It must stay alive until removed.
    [[nodiscard]] HWND AddTarget(IMessageTarget& target);
    // Any thread. The target gets no more messages and its timers end; called from another
    // thread, it returns only after a handler of the target that is running has returned.
    void RemoveTarget(HWND target);

    // Runs the loop until Quit; returns the exit code given to Quit. Loop thread only.
    int Run();
    // Any thread: ends Run (and every nested pump) with exitCode.
    void Quit(int exitCode = 0);

    // A nested pump for modal waits (loop thread only): dispatches like Run until done()
    // is true (checked before waiting and after every message, timer or callback), until
    // timeoutMs of the current clock have passed, or until Quit. True when done() became true.
    // A Quit seen here is left for the enclosing Run.
    [[nodiscard]] bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

    // For a loop that another toolkit's loop drives instead of Run (loop thread): that loop
    // watches PollDescriptor, which is readable whenever this loop has messages or ready
    // watches, and runs one turn with PumpUntil(never, 0) when it is, and again when
    // NextTimerMs says a timer is due. Once set, every message and Quit makes the descriptor
    // readable, sleeping or not.
    void SetDrivenFromOutside(bool driven);
    [[nodiscard]] int PollDescriptor() const noexcept;
    // Milliseconds of the current clock until the next timer is due (0: due now); nothing
    // when the loop has no timer.
    [[nodiscard]] std::optional<DWORD> NextTimerMs() const;

    // Watches fd (any thread) for the events asked (Readable, Writable, or both; level-
    // triggered: the callback runs on every turn while the condition holds). One watch per
    // fd. False with the last error set when fd is watched already or cannot be watched.
    [[nodiscard]] bool AddWatch(int fd, unsigned events, WatchCallback callback);
    // Changes the events asked for a watched fd (0 pauses the watch but for errors).
    [[nodiscard]] bool SetWatchEvents(int fd, unsigned events);
    // Ends the watch of fd (before the fd is closed). Called from another thread, it returns
    // only after a running callback of the watch has returned.
    void RemoveWatch(int fd);

    struct Impl;

private:
    friend LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM);

    std::shared_ptr<Impl> impl_;
};

// Any thread: removes a target from whichever loop it belongs to, as EventLoop::RemoveTarget
// does; nothing when it was removed already or its loop is gone. For an object that may
// outlive the loop it registered with.
void RemoveTarget(HWND target);

// Queues a message for a target (any thread). False with ERROR_INVALID_WINDOW_HANDLE for a
// target that does not exist.
[[nodiscard]] bool PostMessage(HWND target, UINT msg, WPARAM wParam, LPARAM lParam);

// Runs the target's handler on its loop's thread and returns its result: directly when called
// on that thread, otherwise by handing the message over and waiting until the handler ran.
// While it waits, a calling thread with a loop of its own runs the messages sent to it, so two
// loops sending to each other do not lock up. 0 with ERROR_INVALID_WINDOW_HANDLE for a target
// that does not exist (or is removed before its handler ran).
LRESULT SendMessage(HWND target, UINT msg, WPARAM wParam, LPARAM lParam);

// Starts, or restarts with a new period, the timer `id` of a target (ids are per target): the
// target gets WM_TIMER with wParam = id every `ms` of the current clock until KillTimer (0
// counts as 1, and periods above 0x7FFFFFFF as that).
// False with ERROR_INVALID_WINDOW_HANDLE for a target that does not exist.
[[nodiscard]] bool SetTimer(HWND target, UINT_PTR id, UINT ms);
// False when the target has no such timer.
bool KillTimer(HWND target, UINT_PTR id);

// The process-wide id of a named message, from 0xC000 up: the same name (compared without
// regard to case) always gives the same id. 0 for an empty name or when the ids run out.
[[nodiscard]] UINT RegisterWindowMessage(const std::string& name);

}  // namespace platform
