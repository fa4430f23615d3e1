// A TCP proxy on a loopback port that passes each connection on to a target on loopback and
// breaks it on request: resets it, swallows everything (a host gone silent), hands bytes on
// one at a time, delays them, or cuts a connection in the middle of what the target sends.
// For tests and trials between a provider and a host simulator.
//
// Threads: one accepting thread and one thread per connection, which alone touches that
// connection's sockets; the connection threads of connections that ended are joined as new
// ones come and at Stop. Every public operation may be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Socket.h"

namespace faultproxy {

// How traffic is passed from now on, both ways.
enum class Mode {
    Pass,       // as it comes
    BlackHole,  // read and dropped: both ends see a connection that says nothing
    Slices,     // one byte per send
    Latency,    // each read handed on after the latency given
};

class FaultProxy {
public:
    FaultProxy(std::string targetAddress, std::uint16_t targetPort);
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    // Listens on 127.0.0.1 and a free port and starts accepting.
    [[nodiscard]] bool Start();
    std::uint16_t Port() const noexcept { return m_port; }
    // Closes every connection and joins every thread.
    void Stop();

    void SetMode(Mode mode, int latencyMs = 0);
    // Resets both sides of every open connection.
    void ResetAll();
    // The next bytes the target sends on any connection: about half of them are handed on,
    // then both sides of that connection are reset.
    void CutNextFromTarget();
    // Refuses (resets at once) the connections accepted from now on while set.
    void SetRefuse(bool refuse);

    std::size_t Accepted() const noexcept { return m_accepted.load(); }
    std::size_t Open() const;
    // Connections reset by ResetAll, CutNextFromTarget or refusal.
    std::size_t Broken() const noexcept { return m_broken.load(); }

private:
    struct Link;
    void AcceptLoop();
    void Serve(const std::shared_ptr<Link>& link);
    void ReapFinished();  // m_mutex held

    std::string m_targetAddress;
    std::uint16_t m_targetPort;
    std::uint16_t m_port = 0;
    platform::Listener m_listener;
    std::atomic<bool> m_stopping{false};
    std::atomic<Mode> m_mode{Mode::Pass};
    std::atomic<int> m_latencyMs{0};
    std::atomic<bool> m_cutArmed{false};
    std::atomic<bool> m_refuse{false};
    std::atomic<std::size_t> m_accepted{0};
    std::atomic<std::size_t> m_broken{0};
    mutable std::mutex m_mutex;
    std::list<std::shared_ptr<Link>> m_links;
    std::thread m_acceptThread;
};

}  // namespace faultproxy
