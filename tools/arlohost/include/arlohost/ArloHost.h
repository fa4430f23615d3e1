// The far end of an ARLO route on loopback, for tests and demonstrations: a load balancer
// that checks each request and grants a front end ("R-...") or refuses ("E-nnn") and closes,
// and the front end itself, which answers the configuration packet, records what it is sent,
// sends text and keep-alive packets, closes on a disconnect packet and plays the host's side
// of the binary transport. Fault knobs act on the transport packets it sends and receives.
//
// Threads and locks: those of the transport host.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "arlohost/TransportHost.h"

namespace arlohost {

struct LoadBalancerSettings {
    enum Mode { Grant, Refuse, Close };
    Mode mode = Grant;
    std::string refusal = "E-055";
    std::string lniata;  // the assigned address; empty: the one asked for (or "1A2B01")
    std::array<std::uint8_t, 4> token{0x11, 0x22, 0x33, 0x44};
};

struct FrontEndPacket {
    int connection = 0;
    std::vector<std::uint8_t> wire;  // header and body as received
};

class ArloHost : public TransportHost {
public:
    ArloHost();
    ~ArloHost() override;

    // The load balancer and the front end on 127.0.0.1, ports 0.
    [[nodiscard]] bool Start();
    // Another load balancer on a loopback address and port (the fallback).
    [[nodiscard]] bool StartLoadBalancer(const std::string& address, std::uint16_t port);
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
    int Acknowledged() const;  // binary messages the workstation took whole
    int Terminations() const;

    // Host actions on a front-end connection (numbered from 1).
    bool SendBody(int connection, std::vector<std::uint8_t> body);  // framed here

private:
    bool OnBytes(const ConnectionPtr& c, std::vector<std::uint8_t>& pending) override;
    std::vector<std::uint8_t> Wrap(const Connection& c, const Packet& packet) const override;
    void ServeLoadBalancer(int fd);
    void OnPacket(const ConnectionPtr& c, std::vector<std::uint8_t> wire);

    std::uint16_t m_lbPort = 0;
    std::uint16_t m_fePort = 0;
    // Under m_mutex.
    LoadBalancerSettings m_lb;
    bool m_answerConfiguration = true;
    bool m_echo = false;
    std::vector<std::vector<std::uint8_t>> m_requests;
    std::vector<FrontEndPacket> m_packets;
};

// The body of a data packet to the workstation: kind, three hidden bytes on the first
// packet, the data.
std::vector<std::uint8_t> DataBody(std::uint8_t kind, std::span<const std::uint8_t> data,
                                   bool first = true);

}  // namespace arlohost
