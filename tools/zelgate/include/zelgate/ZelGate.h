// ZEL gateways on loopback, for tests and demonstrations. Each gateway listens on its own
// loopback address (all on one port), answers registrations (or refuses them with an error
// code), answers heartbeats (or keeps silent), records every frame it is sent, sends data,
// error and raw frames on request, and plays the host's side of the binary transport inside
// data frames, with the fault knobs of the ARLO simulator. Its frame decoder is its own.
//
// Threads and locks: those of the transport host.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "arlohost/TransportHost.h"

namespace zelgate {

using Bytes = std::vector<std::uint8_t>;

struct GateFrame {
    int connection = 0;
    std::uint16_t flags = 0;
    std::uint32_t word = 0;
    Bytes data;
    Bytes wire;  // the frame as it came
};

struct GatewaySettings {
    int registrationError = 0;  // not 0: registrations are refused with this code
    bool answerRegistration = true;
    bool answerHeartbeat = true;
    bool echo = false;        // each text data frame is sent back
    std::size_t splitAt = 0;  // frames written in two pieces at this byte (0: whole)
    // On the binary transport's packets; the gateway sends its acknowledgements whole and
    // at once, and splits frames at `splitAt` above.
    arlohost::Faults faults;
};

// A frame to the workstation.
Bytes GateFrameBytes(std::uint16_t flags, std::uint32_t word, std::span<const std::uint8_t> data);

class ZelGate : public arlohost::TransportHost {
public:
    ZelGate();
    ~ZelGate() override;

    // The first gateway: 127.0.0.1 on a port the system chooses.
    [[nodiscard]] bool Start();
    // Another gateway on a loopback address, on the same port.
    [[nodiscard]] bool StartAt(const std::string& address);
    std::uint16_t Port() const noexcept { return m_port; }

    void SetSettings(GatewaySettings settings);

    // What arrived.
    std::vector<GateFrame> Frames() const;
    // The frames of one kind: registrations (0x0001), heartbeats (0x0010), data (0).
    std::vector<GateFrame> Frames(std::uint16_t flags) const;
    // The gateway address each connection came to (numbered from 1).
    std::string AddressOf(int connection) const;

    // Gateway actions on a connection.
    bool SendFrame(int connection, std::uint16_t flags, std::span<const std::uint8_t> data);
    // A data frame: the connection's terminal address (or the one given), then the text.
    bool SendData(int connection, std::span<const std::uint8_t> text,
                  const std::array<std::uint8_t, 3>* lniata = nullptr);
    bool SendError(int connection, std::int16_t code);

private:
    using Lniata = std::array<std::uint8_t, 3>;

    bool OnBytes(const ConnectionPtr& c, Bytes& pending) override;
    Bytes Wrap(const Connection& c, const arlohost::Packet& packet) const override;
    void OnFrame(const ConnectionPtr& c, GateFrame frame);
    Lniata LniataOf(int connection) const;  // m_mutex held

    std::uint16_t m_port = 0;
    // Under m_mutex.
    GatewaySettings m_settings;
    std::vector<GateFrame> m_frames;
    std::map<int, Lniata> m_lniata;  // by connection: the address it registered
};

}  // namespace zelgate
