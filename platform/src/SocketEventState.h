// Which network events a socket may report next, and the turning of poll readiness into
// those events: the arming rules shared by network-event waits and asynchronous sockets.
// Not thread-safe: its owner serialises the calls.
#pragma once

#include "platform/NetworkEvents.h"
#include "platform/Socket.h"

namespace platform {

class SocketEventState {
public:
    enum class Phase { Idle, Connecting, Connected, Listening, Closed };

    // Starts a selection of events on fd: the phase is read from the socket itself and every
    // event is armed.
    void Select(int fd, long events);
    void Clear();
    void OnActivity(SocketActivity activity);

    // Poll bits (POLLIN, POLLOUT, POLLRDHUP) to wait for; 0 when the descriptor is not to be
    // polled at all (nothing armed, or nothing more can happen).
    short Interest() const;
    // Turns poll's answer for fd into events added to out.
    void Process(int fd, short revents, NetworkEventRecord& out);

    Phase CurrentPhase() const { return m_phase; }
    long Selected() const { return m_events; }

private:
    bool Wants(long eventBit) const { return (m_events & eventBit) != 0; }
    void Report(NetworkEventRecord& out, long eventBit, int error);
    void ProcessConnected(int fd, short revents, NetworkEventRecord& out);

    Phase m_phase = Phase::Idle;
    long m_events = 0;
    bool m_readArmed = false;
    bool m_writeArmed = false;
    bool m_acceptArmed = false;
    bool m_endOfStream = false;  // the peer's orderly close has been seen
    bool m_parked = false;       // poll keeps answering with nothing to report until re-armed
};

}  // namespace platform
