// Loopback listeners and peers for tests: 127.0.0.1 only, ports chosen by the system, every
// wait bounded by a deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/Socket.h"

namespace support {

// How long a test waits for something that should happen at once.
inline constexpr std::chrono::milliseconds kTestDeadline{5000};

// A listener on 127.0.0.1 with a free port. A failure to listen fails the calling test.
class LoopbackListener {
public:
    LoopbackListener();

    std::uint16_t Port() const { return m_listener.Port(); }
    platform::SocketAddress Address() const { return m_listener.Address(); }
    // One accepted connection; a closed socket (and a failed test) when none came in time.
    platform::Socket Accept(std::chrono::milliseconds deadline = kTestDeadline);
    platform::Listener& Raw() { return m_listener; }

private:
    platform::Listener m_listener;
};

// Two connected loopback sockets: the connecting side and the accepted side (both blocking).
struct SocketPair {
    platform::Socket client;
    platform::Socket server;
};
SocketPair ConnectedPair();

// A peer on its own thread: accepts one connection on its own loopback listener and runs the
// handler with it. The handler should return once Stopping() is true (it is set when the peer
// is destroyed) and bound each wait; the destructor joins the thread.
class LoopbackPeer {
public:
    using Handler = std::function<void(platform::Socket&, const LoopbackPeer&)>;

    explicit LoopbackPeer(Handler handler);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    std::uint16_t Port() const { return m_listener.Port(); }
    platform::SocketAddress Address() const { return m_listener.Address(); }
    bool Stopping() const { return m_stop.load(); }
    // Waits until the handler has returned; false when the deadline passed first.
    bool WaitDone(std::chrono::milliseconds deadline = kTestDeadline) const;
    bool Accepted() const { return m_accepted.load(); }

    // Echoes every byte back until the client closes or the peer stops.
    static Handler Echo();

private:
    void Run();

    LoopbackListener m_listener;
    Handler m_handler;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_accepted{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_doneChanged;
    bool m_done = false;
    std::thread m_thread;
};

}  // namespace support
