// The far end of an ARLO route on loopback, for tests and demonstrations: a load balancer
// that checks each request and grants a front end ("R-...") or refuses ("E-nnn") and closes,
// and the front end itself, which answers the configuration packet, records what it is sent,
// sends text and keep-alive packets, closes on a disconnect packet and plays the host's side
// of the binary transport. Fault knobs act on the transport packets it sends and receives.
//
// Threads: one accepting thread per listener and one reader per front-end connection; every
// public operation may be called from any thread. Lock order: m_mutex, then a connection's
// send lock (m_mutex is never held while sending).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
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

namespace arlohost {

struct LoadBalancerSettings {
    enum Mode { Grant, Refuse, Close };
    Mode mode = Grant;
    std::string refusal = "E-055";
    std::string lniata;  // the assigned address; empty: the one asked for (or "1A2B01")
    std::array<std::uint8_t, 4> token{0x11, 0x22, 0x33, 0x44};
};

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

struct FrontEndPacket {
    int connection = 0;
    std::vector<std::uint8_t> wire;  // header and body as received
};

class ArloHost {
public:
    ArloHost();
    ~ArloHost();
    ArloHost(const ArloHost&) = delete;
    ArloHost& operator=(const ArloHost&) = delete;

    // The load balancer and the front end on 127.0.0.1, ports 0.
    [[nodiscard]] bool Start();
    // Another load balancer on a loopback address and port (the fallback).
    [[nodiscard]] bool StartLoadBalancer(const std::string& address, std::uint16_t port);
    void Stop();
    std::uint16_t LoadBalancerPort() const noexcept { return m_lbPort; }
    std::uint16_t FrontEndPort() const noexcept { return m_fePort; }

    void SetLoadBalancer(LoadBalancerSettings settings);
    void SetAnswerConfiguration(bool answer);
    void SetFaults(Faults faults);
    // Echo: each text data packet is answered with its data, each binary message received
    // whole is sent back.
    void SetEcho(bool echo);

    // What arrived.
    std::vector<std::vector<std::uint8_t>> Requests() const;  // load-balancer request frames
    std::vector<FrontEndPacket> Packets() const;
    std::vector<std::vector<std::uint8_t>> Delivered() const;  // binary messages, in order
    int Acknowledged() const;  // binary messages the workstation took whole
    int Terminations() const;
    int Connections() const;
    bool IsClosed(int connection) const;
    std::vector<std::string> Problems() const;
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) const;

    // Host actions on a front-end connection (numbered from 1).
    bool SendBody(int connection, std::vector<std::uint8_t> body);  // framed here
    bool SendRaw(int connection, std::span<const std::uint8_t> bytes);
    bool SendBinary(int connection, std::span<const std::uint8_t> message, std::uint8_t window,
                    std::array<std::uint8_t, 2> pac);
    bool CloseConnection(int connection);
    // Whether a binary message to the connection is still waiting for its acknowledgement.
    bool IsSending(int connection) const;

private:
    struct Connection;
    struct Listening;

    void AcceptLoop(Listening& l, bool frontEnd);
    void ServeLoadBalancer(int fd);
    void ReadLoop(const std::shared_ptr<Connection>& c);
    void OnPacket(const std::shared_ptr<Connection>& c, std::vector<std::uint8_t> wire);
    void SendTransport(const std::shared_ptr<Connection>& c, std::vector<Packet> packets);
    bool Write(Connection& c, std::vector<std::uint8_t> frame);
    std::shared_ptr<Connection> Find(int connection) const;

    std::uint16_t m_lbPort = 0;
    std::uint16_t m_fePort = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    LoadBalancerSettings m_lb;
    bool m_answerConfiguration = true;
    bool m_echo = false;
    Faults m_faults;
    int m_segmentsOut = 0;
    int m_segmentsIn = 0;
    int m_acksOut = 0;
    std::vector<std::vector<std::uint8_t>> m_requests;
    std::vector<FrontEndPacket> m_packets;
    std::vector<std::vector<std::uint8_t>> m_delivered;
    std::vector<std::string> m_problems;
    int m_acknowledged = 0;
    int m_terminations = 0;
    std::map<int, std::shared_ptr<Connection>> m_connections;
    int m_nextConnection = 1;
    std::vector<std::unique_ptr<Listening>> m_listeners;
    std::atomic<bool> m_stopping{false};
};

// The body of a data packet to the workstation: kind, three hidden bytes on the first
// packet, the data.
std::vector<std::uint8_t> DataBody(std::uint8_t kind, std::span<const std::uint8_t> data,
                                   bool first = true);

}  // namespace arlohost
