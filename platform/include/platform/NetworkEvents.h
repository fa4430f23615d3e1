// Waits for network events on a socket, in place of selecting socket events into an event
// object and enumerating them: select the events of interest on a socket, wait with a
// time-out (another thread may wake the wait with Signal), then enumerate what happened,
// each event with its own error code.
//
// Events are armed as sockets have always armed them: a read event is reported once and
// re-armed by the next receive on the socket; a write event is reported once the socket is
// connected (or selected while connected) and re-armed only by a send refused as would-block;
// an accept event is re-armed by the next accept; connect and close are reported once. Close
// is reported only after every byte that came before it has been read (when read events are
// selected), with error 0 for an orderly close and the socket error of a reset or failure.
//
// Thread use: one thread waits and enumerates; Select, Signal and the socket's own calls may
// come from other threads. A selected socket tells this object of its receives, sends,
// accepts and its close through its observer hook, so the socket must be closed (or
// selected with no events) before this object is destroyed, and vice versa.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Socket.h"

namespace platform {

enum : long {
    FD_READ = 0x01,
    FD_WRITE = 0x02,
    FD_OOB = 0x04,
    FD_ACCEPT = 0x08,
    FD_CONNECT = 0x10,
    FD_CLOSE = 0x20,
    FD_ALL_EVENTS = 0x3F,
};
inline constexpr int FD_MAX_EVENTS = 10;

// The events that happened since the last enumeration, each with its error code.
struct NetworkEventRecord {
    long events = 0;
    int errors[FD_MAX_EVENTS] = {};

    // The error code that came with one event bit (FD_READ ... FD_CLOSE).
    int ErrorOf(long eventBit) const;
    void Add(long eventBit, int error);
    bool Has(long eventBit) const { return (events & eventBit) != 0; }
};

class NetworkEvents final : private SocketObserver {
public:
    enum class WaitResult { Signaled, Timeout, Failed };

    NetworkEvents();
    ~NetworkEvents();
    NetworkEvents(const NetworkEvents&) = delete;
    NetworkEvents& operator=(const NetworkEvents&) = delete;

    // Selects events on a socket, replacing an earlier selection (of this socket or
    // another); the socket becomes non-blocking. Events 0 ends the selection (the socket
    // stays non-blocking). False with the last socket error set when the socket is closed.
    [[nodiscard]] bool Select(Socket& socket, long events);

    // Wakes the waiting thread: the object stays signaled until Reset or Enumerate.
    void Signal();
    void Reset();

    // Waits until events are recorded or the object is signaled, at most timeoutMs
    // (< 0: no limit). Failed (with the last socket error set) when the wait itself fails.
    [[nodiscard]] WaitResult Wait(int timeoutMs);

    // Takes the recorded events and resets the object. False with WSAENOTSOCK when no socket
    // is selected.
    [[nodiscard]] bool Enumerate(NetworkEventRecord& out);

    struct Impl;

private:
    void OnSocketActivity(SocketActivity activity) override;

    std::unique_ptr<Impl> m_impl;
};

}  // namespace platform
