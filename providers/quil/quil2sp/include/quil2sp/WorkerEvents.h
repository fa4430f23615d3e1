// The six wake-ups of the adapter's worker (receive, host available, connect, disconnect,
// host address, stop) as counters under one lock, with the value each announcement carries
// kept in order per event: a burst of announcements loses none, and two connect results
// are handed out in the order they came. Any thread posts; the worker takes.
//
// Lock order: its own lock only; nothing is called under it.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace QUIL2SessionNS {

enum EWorkerEvent : int {
    kEventReceive = 0,
    kEventHostAvailable = 1,
    kEventConnect = 2,
    kEventDisconnect = 3,
    kEventHostAddress = 4,
    kEventStop = 5,
    kEventCount = 6,
};

struct WorkerEvent {
    EWorkerEvent index = kEventStop;
    int value = 0;     // receive, connect and disconnect
    std::string text;  // host address
};

class WorkerEvents {
public:
    void Post(EWorkerEvent index, int value = 0, std::string text = {});
    // The pending event of the lowest index, waiting at most `limit` for one; nothing when
    // the time ran out.
    std::optional<WorkerEvent> Take(std::chrono::milliseconds limit);
    std::size_t Pending(EWorkerEvent index);

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::array<std::deque<WorkerEvent>, kEventCount> m_pending;
};

}  // namespace QUIL2SessionNS
