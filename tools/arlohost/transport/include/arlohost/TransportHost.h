// What the loopback hosts of the binary transport share (the ARLO front end, the ZEL
// gateways): listeners with an accepting thread each; connections numbered from 1 over the
// host's life, each with a reader thread and the host's side of the binary transport, whose
// unacknowledged segments go out again after a time-out; the fault knobs on the transport's
// packets; and waiting for what the workstation does. A host reads its own frames out of what
// arrives and puts the transport's packets into frames of its own.
//
// Threads: every public operation may be called from any thread. Lock order: a connection's
// send lock, then m_mutex (m_mutex is never held while taking a send lock or sending). A
// derived host calls Stop() in its own destructor, while its hooks are still there.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "arlohost/HostTransport.h"
#include "platform/Socket.h"
#include "platform/SocketAddress.h"

namespace arlohost {

// Occurrences are counted from 1 over the host's life.
struct Faults {
    std::set<int> dropOut;       // host segments not sent
    std::set<int> duplicateOut;  // host segments sent twice
    std::set<int> reorderOut;    // host segments held back and sent after the next packet
    std::set<int> dropIn;        // workstation segments ignored
    std::set<int> dropAck;       // host acknowledgements not sent
    std::set<int> spoilAck;      // host acknowledgements sent spoiled (10, 12 bytes, window 0)
    std::size_t splitAt = 0;     // every packet written in two pieces at this byte (0: whole)
    int delayMs = 0;             // pause before each packet the host sends
    int retransmitMs = 150;      // the host's wait for an acknowledgement
};

class TransportHost {
public:
    TransportHost(const TransportHost&) = delete;
    TransportHost& operator=(const TransportHost&) = delete;

    // Closes the listeners and the connections and waits for their threads.
    void Stop();

    // What arrived.
    std::vector<std::vector<std::uint8_t>> Delivered() const;  // binary messages, in order
    int Connections() const;
    bool IsClosed(int connection) const;
    std::vector<std::string> Problems() const;
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) const;

    // Host actions on a connection.
    bool SendRaw(int connection, std::span<const std::uint8_t> bytes);
    bool SendBinary(int connection, std::span<const std::uint8_t> message, std::uint8_t window,
                    std::array<std::uint8_t, 2> pac);
    bool CloseConnection(int connection);
    // Whether a binary message to the connection is still waiting for its acknowledgement.
    bool IsSending(int connection) const;

protected:
    using Clock = std::chrono::steady_clock;

    struct Connection {
        int number = 0;
        std::string address;  // the one its listener was given
        platform::Socket socket;
        std::mutex sendLock;
        std::thread reader;
        std::atomic<bool> closed{false};
        // Under m_mutex.
        HostTransport transport;
        Clock::time_point resendAt = Clock::time_point::max();
        Packet held;  // a reordered segment
    };
    using ConnectionPtr = std::shared_ptr<Connection>;
    // Serves a client in the accepting thread, for a listener that keeps no connections.
    using Serve = std::function<void(platform::Socket& client)>;

    TransportHost();
    virtual ~TransportHost();

    // Listens at `at`, naming its connections `address` (or serving each client with
    // `serve`): the port, or 0 when it cannot listen.
    std::uint16_t Listen(const platform::SocketAddress& at, std::string address, Serve serve = {});
    ConnectionPtr Find(int connection) const;

    // Takes the host's whole frames off the front of `pending` and handles them; false drops
    // the connection.
    virtual bool OnBytes(const ConnectionPtr& c, std::vector<std::uint8_t>& pending) = 0;
    // The frame that carries a transport packet to the workstation (m_mutex held).
    virtual std::vector<std::uint8_t> Wrap(const Connection& c, const Packet& packet) const = 0;

    // A transport packet from the workstation, through the fault knobs, to the connection's
    // transport (m_mutex held): the packets to send in answer. The messages it completes are
    // delivered, and with `echo` also added there.
    std::vector<Packet> Receive(Connection& c, std::span<const std::uint8_t> packet,
                                std::vector<Packet>* echo);
    // Transport packets to the workstation, wrapped, through the fault knobs.
    void SendTransport(const ConnectionPtr& c, std::vector<Packet> packets);
    bool Write(Connection& c, std::span<const std::uint8_t> frame);
    bool WriteHeld(Connection& c, std::span<const std::uint8_t> frame);  // c.sendLock held
    // Closes the connection from the host's side.
    static bool Shut(Connection& c);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Faults m_faults;
    std::vector<std::string> m_problems;
    std::map<int, ConnectionPtr> m_connections;

private:
    struct Listening;

    void AcceptLoop(Listening& l);
    void ReadLoop(const ConnectionPtr& c);
    static bool Send(Connection& c, std::span<const std::uint8_t> frame, std::size_t split);

    std::vector<std::vector<std::uint8_t>> m_delivered;
    int m_segmentsOut = 0;
    int m_segmentsIn = 0;
    int m_acksOut = 0;
    int m_nextConnection = 1;
    std::vector<std::unique_ptr<Listening>> m_listeners;
    std::atomic<bool> m_stopping{false};
};

}  // namespace arlohost
