#include "platform/EventLoop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ClockWatch.h"
#include "platform/Clock.h"

namespace platform {

namespace {

// The state of one SendMessage from another thread: where the sender sleeps and its result.
struct SendReply {
    std::mutex* mutex = nullptr;  // the sender's lock: its loop's, or own below
    std::condition_variable* wake = nullptr;
    std::shared_ptr<EventLoop::Impl> senderLoop;  // keeps the sender's lock alive
    std::mutex ownMutex;
    std::condition_variable ownWake;
    bool done = false;  // under *mutex
    LRESULT result = 0;
    DWORD error = ERROR_SUCCESS;
};

void Complete(SendReply& reply, LRESULT result, DWORD error);

enum class PumpEnd { Done, Quit, TimedOut, Broken };

thread_local EventLoop* t_currentLoop = nullptr;

// A longer timer period is cut to this (about 24.8 days), and 0 becomes 1.
constexpr UINT kMaxTimerPeriod = 0x7FFFFFFF;

}  // namespace

struct EventLoop::Impl final : detail::ClockWatcher {
    struct Posted {
        HWND target;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Sent {
        HWND target;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        std::shared_ptr<SendReply> reply;
    };
    struct Timer {
        HWND target;
        UINT_PTR id;
        UINT period;
        std::uint64_t due;
        std::uint64_t serial;
    };
    struct Watch {
        int fd;
        unsigned events;
        std::shared_ptr<WatchCallback> callback;
    };

    int epollFd = -1;
    int wakeFd = -1;
    std::thread::id owner = std::this_thread::get_id();

    std::mutex mutex;                  // guards everything below
    std::condition_variable idle;      // a handler or callback returned
    std::condition_variable sentWake;  // a sent message arrived (for a loop blocked in a send)
    std::unordered_map<HWND, IMessageTarget*> targets;
    std::deque<Posted> posted;
    std::deque<Sent> sent;
    std::vector<Timer> timers;
    std::unordered_map<std::uint64_t, Watch> watches;  // by serial; serial 0 is the wake fd
    std::unordered_map<int, std::uint64_t> watchByFd;
    std::vector<HWND> runningTargets;  // handlers on the stack, innermost last
    std::vector<std::uint64_t> runningWatches;
    std::uint64_t nextSerial = 1;
    bool sleeping = false;           // blocked in epoll_wait, and no wake-up written yet
    bool drivenFromOutside = false;  // every wake-up is written
    bool quit = false;
    int exitCode = 0;
    bool closed = false;
    DWORD broken = ERROR_SUCCESS;  // why the system refused the loop its descriptors

    void OnClockMoved() noexcept override { WriteWake(); }

    void WriteWake() const noexcept {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    void DrainWake() const noexcept {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(wakeFd, &count, sizeof count);
    }

    // Wakes the loop when it sleeps; mutex held.
    void WakeLocked() {
        if (sleeping || drivenFromOutside) {
            sleeping = false;
            WriteWake();
        }
    }

    [[nodiscard]] bool IsOwner() const noexcept { return std::this_thread::get_id() == owner; }

    // Calls a target's handler with no lock held. found: false when the target is gone.
    LRESULT Dispatch(HWND target, UINT msg, WPARAM wParam, LPARAM lParam, bool& found) {
        IMessageTarget* handler = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex);
            auto it = targets.find(target);
            found = it != targets.end();
            if (!found) return 0;
            handler = it->second;
            runningTargets.push_back(target);
        }
        struct Done {
            Impl& loop;
            ~Done() {
                {
                    std::lock_guard<std::mutex> lock(loop.mutex);
                    loop.runningTargets.pop_back();
                }
                loop.idle.notify_all();
            }
        } done{*this};
        return handler->OnMessage(msg, wParam, lParam);
    }

    // Runs every message sent from other threads that is waiting now.
    // Returns false when stop() became true after one of them.
    template <typename Stop>
    bool RunSent(Stop&& stop) {
        for (;;) {
            Sent item;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (sent.empty()) return true;
                item = std::move(sent.front());
                sent.pop_front();
            }
            bool found = false;
            const LRESULT result = Dispatch(item.target, item.msg, item.wParam, item.lParam, found);
            Complete(*item.reply, result, found ? ERROR_SUCCESS : ERROR_INVALID_WINDOW_HANDLE);
            if (stop()) return false;
        }
    }

    void RunWatch(std::uint64_t serial, std::uint32_t epollEvents) {
        std::shared_ptr<WatchCallback> callback;
        unsigned events = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            auto it = watches.find(serial);
            if (it == watches.end()) return;  // removed meanwhile
            const unsigned asked = it->second.events;
            if ((epollEvents & EPOLLIN) != 0 && (asked & Readable) != 0) events |= Readable;
            if ((epollEvents & EPOLLOUT) != 0 && (asked & Writable) != 0) events |= Writable;
            if ((epollEvents & EPOLLERR) != 0) events |= Error;
            if ((epollEvents & (EPOLLHUP | EPOLLRDHUP)) != 0) events |= HangUp;
            if (events == 0) return;
            callback = it->second.callback;
            runningWatches.push_back(serial);
        }
        struct Done {
            Impl& loop;
            std::uint64_t serial;
            ~Done() {
                {
                    std::lock_guard<std::mutex> lock(loop.mutex);
                    auto& running = loop.runningWatches;
                    running.erase(std::find(running.begin(), running.end(), serial));
                }
                loop.idle.notify_all();
            }
        } done{*this, serial};
        (*callback)(events);
    }

    // The timers due at `now`, earliest first; each is rescheduled one period on from now.
    std::vector<Timer> TakeDueTimers(const IClock& clock, std::uint64_t now) {
        std::vector<Timer> due;
        std::lock_guard<std::mutex> lock(mutex);
        for (Timer& timer : timers) {
            if (timer.due <= now) {
                due.push_back(timer);
                timer.due = detail::TimeAfter(clock, now, timer.period);
            }
        }
        std::sort(due.begin(), due.end(),
                  [](const Timer& a, const Timer& b) { return a.due < b.due; });
        return due;
    }

    [[nodiscard]] bool TimerStillSet(const Timer& timer) {
        std::lock_guard<std::mutex> lock(mutex);
        return std::any_of(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.serial == timer.serial; });
    }

    // Drops a target taken out of the target table: it gets no more messages and its timers
    // end; from another thread, once a handler of it that is running has returned.
    void Forget(HWND target) {
        std::unique_lock<std::mutex> lock(mutex);
        targets.erase(target);
        std::erase_if(timers, [&](const Timer& t) { return t.target == target; });
        if (!IsOwner()) {
            idle.wait(lock, [&] {
                return std::find(runningTargets.begin(), runningTargets.end(), target) ==
                       runningTargets.end();
            });
        }
    }

    PumpEnd Pump(const std::function<bool()>* doneFn, std::uint64_t deadline);
};

namespace {

// The process-wide table of targets: which loop each handle belongs to.
struct TargetTable {
    std::mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<EventLoop::Impl>> loops;
    HWND next = 1;
};

TargetTable& Targets() {
    static auto* table = new TargetTable;  // never destroyed: loops may outlive statics
    return *table;
}

std::shared_ptr<EventLoop::Impl> LoopOf(HWND target) {
    TargetTable& table = Targets();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.loops.find(target);
    return it == table.loops.end() ? nullptr : it->second;
}

void Complete(SendReply& reply, LRESULT result, DWORD error) {
    {
        std::lock_guard<std::mutex> lock(*reply.mutex);
        reply.result = result;
        reply.error = error;
        reply.done = true;
    }
    reply.wake->notify_all();
}

}  // namespace

PumpEnd EventLoop::Impl::Pump(const std::function<bool()>* doneFn, std::uint64_t deadline) {
    // Whether to stop now, and why.
    PumpEnd end = PumpEnd::Done;
    auto finished = [&]() -> bool {
        if (doneFn != nullptr && (*doneFn)()) {
            end = PumpEnd::Done;
            return true;
        }
        std::lock_guard<std::mutex> lock(mutex);
        end = PumpEnd::Quit;
        return quit;
    };
    if (broken != ERROR_SUCCESS) {
        SetLastError(broken);
        return PumpEnd::Broken;
    }
    constexpr int kMaxEvents = 64;
    epoll_event ready[kMaxEvents];

    for (;;) {
        if (finished()) return end;

        // Wait for work, a wake-up, the next timer or the deadline.
        IClock& clock = CurrentClock();
        const std::uint64_t now = clock.NowMs();
        int timeout = 0;
        {
            std::unique_lock<std::mutex> lock(mutex);
            // A Quit that came after the look above wrote no wake-up (the loop was not
            // sleeping yet): it must not sleep now.
            if (posted.empty() && sent.empty() && !quit) {
                std::uint64_t next = deadline;
                for (const Timer& timer : timers) next = std::min(next, timer.due);
                if (next == detail::kNoDeadline) {
                    timeout = -1;
                } else if (next <= now) {
                    timeout = 0;
                } else if (clock.IsManual()) {
                    timeout = -1;  // the clock's move wakes the loop
                } else {
                    timeout = static_cast<int>(
                        std::min<std::uint64_t>(next - now, std::numeric_limits<int>::max()));
                }
                sleeping = timeout != 0;
            }
        }
        int count = ::epoll_wait(epollFd, ready, kMaxEvents, timeout);
        if (count < 0) count = 0;   // EINTR: go round again
        std::size_t postedNow = 0;  // later ones wait for the next turn
        {
            std::lock_guard<std::mutex> lock(mutex);
            sleeping = false;
            postedNow = posted.size();
        }

        // Sent messages first, then the messages posted before this turn.
        if (!RunSent(finished)) return end;
        for (std::size_t i = 0; i < postedNow; ++i) {
            Posted item{};
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (posted.empty()) break;
                item = posted.front();
                posted.pop_front();
            }
            bool found = false;
            (void)Dispatch(item.target, item.msg, item.wParam, item.lParam, found);
            if (finished()) return end;
        }

        // Then the file descriptors that are ready.
        for (int i = 0; i < count; ++i) {
            const std::uint64_t serial = ready[i].data.u64;
            if (serial == 0) {
                DrainWake();
                continue;
            }
            RunWatch(serial, ready[i].events);
            if (finished()) return end;
        }

        // Then the timers that are due.
        const IClock& timerClock = CurrentClock();
        const std::uint64_t later = timerClock.NowMs();
        for (const Timer& timer : TakeDueTimers(timerClock, later)) {
            if (!TimerStillSet(timer)) continue;  // killed by an earlier handler
            bool found = false;
            (void)Dispatch(timer.target, WM_TIMER, timer.id, 0, found);
            if (finished()) return end;
        }

        if (later >= deadline) return PumpEnd::TimedOut;
    }
}

EventLoop::EventLoop() : impl_(std::make_shared<Impl>()) {
    assert(t_currentLoop == nullptr && "a thread has one event loop at most");
    impl_->epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    impl_->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.u64 = 0;
    if (impl_->epollFd < 0 || impl_->wakeFd < 0 ||
        ::epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, impl_->wakeFd, &wake) != 0) {
        impl_->broken = SetLastErrorFromErrno();
    }
    detail::AddClockWatcher(impl_.get());
    t_currentLoop = this;
}

EventLoop::~EventLoop() {
    {
        TargetTable& table = Targets();
        std::lock_guard<std::mutex> lock(table.mutex);
        std::erase_if(table.loops, [&](const auto& entry) { return entry.second == impl_; });
    }
    std::deque<Impl::Sent> unanswered;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->closed = true;
        impl_->targets.clear();
        impl_->timers.clear();
        impl_->watches.clear();
        impl_->watchByFd.clear();
        impl_->posted.clear();
        unanswered.swap(impl_->sent);
    }
    for (Impl::Sent& item : unanswered) Complete(*item.reply, 0, ERROR_INVALID_WINDOW_HANDLE);
    detail::RemoveClockWatcher(impl_.get());
    if (impl_->epollFd >= 0) ::close(impl_->epollFd);
    if (impl_->wakeFd >= 0) ::close(impl_->wakeFd);
    impl_->epollFd = impl_->wakeFd = -1;
    if (t_currentLoop == this) t_currentLoop = nullptr;
}

EventLoop* EventLoop::Current() noexcept {
    return t_currentLoop;
}

bool EventLoop::IsLoopThread() const noexcept {
    return impl_->IsOwner();
}

bool EventLoop::IsValid() const noexcept {
    return impl_->broken == ERROR_SUCCESS;
}

HWND EventLoop::AddTarget(IMessageTarget& target) {
    TargetTable& table = Targets();
    std::lock_guard<std::mutex> tableLock(table.mutex);
    const HWND handle = table.next++;
    table.loops.emplace(handle, impl_);
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->targets.emplace(handle, &target);
    return handle;
}

void EventLoop::RemoveTarget(HWND target) {
    {
        TargetTable& table = Targets();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.loops.find(target);
        if (it != table.loops.end() && it->second == impl_) table.loops.erase(it);
    }
    impl_->Forget(target);
}

void RemoveTarget(HWND target) {
    std::shared_ptr<EventLoop::Impl> loop;
    {
        TargetTable& table = Targets();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto it = table.loops.find(target);
        if (it == table.loops.end()) return;  // removed already, or its loop is gone
        loop = std::move(it->second);
        table.loops.erase(it);
    }
    loop->Forget(target);
}

int EventLoop::Run() {
    assert(IsLoopThread());
    if (impl_->Pump(nullptr, detail::kNoDeadline) == PumpEnd::Broken) return -1;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->quit = false;
    return impl_->exitCode;
}

void EventLoop::Quit(int exitCode) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->quit = true;
    impl_->exitCode = exitCode;
    impl_->WakeLocked();
}

void EventLoop::SetDrivenFromOutside(bool driven) {
    assert(IsLoopThread());
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->drivenFromOutside = driven;
    // What is waiting already must be seen by the outer loop too.
    if (driven && (!impl_->posted.empty() || !impl_->sent.empty() || impl_->quit))
        impl_->WriteWake();
}

int EventLoop::PollDescriptor() const noexcept {
    return impl_->epollFd;
}

std::optional<DWORD> EventLoop::NextTimerMs() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->timers.empty()) return std::nullopt;
    std::uint64_t next = detail::kNoDeadline;
    for (const auto& timer : impl_->timers) next = std::min(next, timer.due);
    const std::uint64_t now = CurrentClock().NowMs();
    return next <= now ? DWORD{0}
                       : static_cast<DWORD>(std::min<std::uint64_t>(next - now, 0x7FFFFFFF));
}

bool EventLoop::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    assert(IsLoopThread());
    return impl_->Pump(&done, detail::DeadlineAfter(timeoutMs)) == PumpEnd::Done;
}

bool EventLoop::AddWatch(int fd, unsigned events, WatchCallback callback) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (fd < 0 || !callback || impl_->watchByFd.count(fd) != 0) {
        SetLastError(fd < 0 || !callback ? ERROR_INVALID_PARAMETER : ERROR_ALREADY_EXISTS);
        return false;
    }
    const std::uint64_t serial = impl_->nextSerial++;
    epoll_event ev{};
    ev.events =
        ((events & Readable) != 0 ? EPOLLIN : 0u) | ((events & Writable) != 0 ? EPOLLOUT : 0u);
    ev.data.u64 = serial;
    if (::epoll_ctl(impl_->epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    impl_->watches.emplace(
        serial, Impl::Watch{fd, events, std::make_shared<WatchCallback>(std::move(callback))});
    impl_->watchByFd.emplace(fd, serial);
    return true;
}

bool EventLoop::SetWatchEvents(int fd, unsigned events) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto it = impl_->watchByFd.find(fd);
    if (it == impl_->watchByFd.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    epoll_event ev{};
    ev.events =
        ((events & Readable) != 0 ? EPOLLIN : 0u) | ((events & Writable) != 0 ? EPOLLOUT : 0u);
    ev.data.u64 = it->second;
    if (::epoll_ctl(impl_->epollFd, EPOLL_CTL_MOD, fd, &ev) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    impl_->watches.at(it->second).events = events;
    return true;
}

void EventLoop::RemoveWatch(int fd) {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    auto it = impl_->watchByFd.find(fd);
    if (it == impl_->watchByFd.end()) return;
    const std::uint64_t serial = it->second;
    impl_->watchByFd.erase(it);
    impl_->watches.erase(serial);
    ::epoll_ctl(impl_->epollFd, EPOLL_CTL_DEL, fd, nullptr);  // fails harmlessly if fd closed
    if (!impl_->IsOwner()) {
        auto& running = impl_->runningWatches;
        impl_->idle.wait(lock, [&] {
            return std::find(running.begin(), running.end(), serial) == running.end();
        });
    }
}

bool PostMessage(HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<EventLoop::Impl> loop = LoopOf(target);
    if (loop != nullptr) {
        std::lock_guard<std::mutex> lock(loop->mutex);
        if (!loop->closed && loop->targets.count(target) != 0) {
            loop->posted.push_back({target, msg, wParam, lParam});
            loop->WakeLocked();
            return true;
        }
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

LRESULT SendMessage(HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<EventLoop::Impl> loop = LoopOf(target);
    if (loop == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (loop->IsOwner()) {
        bool found = false;
        const LRESULT result = loop->Dispatch(target, msg, wParam, lParam, found);
        if (!found) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return result;
    }

    auto reply = std::make_shared<SendReply>();
    EventLoop* own = EventLoop::Current();
    if (own != nullptr) {
        reply->senderLoop = own->impl_;
        reply->mutex = &own->impl_->mutex;
        reply->wake = &own->impl_->sentWake;
    } else {
        reply->mutex = &reply->ownMutex;
        reply->wake = &reply->ownWake;
    }
    {
        std::lock_guard<std::mutex> lock(loop->mutex);
        if (loop->closed || loop->targets.count(target) == 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        loop->sent.push_back({target, msg, wParam, lParam, reply});
        loop->WakeLocked();
    }
    loop->sentWake.notify_all();  // in case that loop itself waits in a send

    if (own == nullptr) {
        std::unique_lock<std::mutex> lock(reply->ownMutex);
        reply->ownWake.wait(lock, [&] { return reply->done; });
    } else {
        // Run what others send to this loop while waiting, so that two loops sending to
        // each other both go on.
        EventLoop::Impl& mine = *own->impl_;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mine.mutex);
                mine.sentWake.wait(lock, [&] { return reply->done || !mine.sent.empty(); });
                if (reply->done) break;
            }
            (void)mine.RunSent([] { return false; });
        }
    }
    if (reply->error != ERROR_SUCCESS) SetLastError(reply->error);
    return reply->result;
}

bool SetTimer(HWND target, UINT_PTR id, UINT ms) {
    std::shared_ptr<EventLoop::Impl> loop = LoopOf(target);
    if (loop != nullptr) {
        const UINT period = std::clamp<UINT>(ms, 1, kMaxTimerPeriod);
        const IClock& clock = CurrentClock();
        const std::uint64_t due = detail::TimeAfter(clock, clock.NowMs(), period);
        std::lock_guard<std::mutex> lock(loop->mutex);
        if (!loop->closed && loop->targets.count(target) != 0) {
            std::erase_if(loop->timers, [&](const EventLoop::Impl::Timer& t) {
                return t.target == target && t.id == id;
            });
            loop->timers.push_back({target, id, period, due, loop->nextSerial++});
            loop->WakeLocked();
            return true;
        }
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

bool KillTimer(HWND target, UINT_PTR id) {
    std::shared_ptr<EventLoop::Impl> loop = LoopOf(target);
    if (loop == nullptr) return false;
    std::lock_guard<std::mutex> lock(loop->mutex);
    return std::erase_if(loop->timers, [&](const EventLoop::Impl::Timer& t) {
               return t.target == target && t.id == id;
           }) != 0;
}

UINT RegisterWindowMessage(const std::string& name) {
    struct Names {
        std::mutex mutex;
        std::unordered_map<std::string, UINT> ids;
        UINT next = 0xC000;
    };
    static auto* names = new Names;
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key = name;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    std::lock_guard<std::mutex> lock(names->mutex);
    auto it = names->ids.find(key);
    if (it != names->ids.end()) return it->second;
    if (names->next > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    const UINT id = names->next++;
    names->ids.emplace(std::move(key), id);
    return id;
}

}  // namespace platform
