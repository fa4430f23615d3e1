// ZEL gateways on loopback, for tests and demonstrations. Each gateway listens on its own
// loopback address (all on one port), answers registrations (or refuses them with an error
// code), answers heartbeats (or keeps silent), records every frame it is sent, sends data,
// error and raw frames on request, and plays the host's side of the binary transport inside
// data frames, with the fault knobs of the ARLO simulator. Its frame decoder is its own.
//
// Threads: one accepting thread per gateway and one reader per connection; every public
// operation may be called from any thread. Lock order: m_mutex, then a connection's send
// lock (m_mutex is never held while sending).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "arlohost/ArloHost.h"

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
    arlohost::Faults faults;  // on the binary transport's packets
};

// A frame to the workstation.
Bytes GateFrameBytes(std::uint16_t flags, std::uint32_t word, std::span<const std::uint8_t> data);

class ZelGate {
public:
    ZelGate();
    ~ZelGate();
    ZelGate(const ZelGate&) = delete;
    ZelGate& operator=(const ZelGate&) = delete;

    // The first gateway: 127.0.0.1 on a port the system chooses.
    [[nodiscard]] bool Start();
    // Another gateway on a loopback address, on the same port.
    [[nodiscard]] bool StartAt(const std::string& address);
    void Stop();
    std::uint16_t Port() const noexcept { return m_port; }

    void SetSettings(GatewaySettings settings);

    // What arrived.
    std::vector<GateFrame> Frames() const;
    // The frames of one kind: registrations (0x0001), heartbeats (0x0010), data (0).
    std::vector<GateFrame> Frames(std::uint16_t flags) const;
    std::vector<Bytes> Delivered() const;  // binary messages received whole, in order
    int Connections() const;
    // The gateway address each connection came to (numbered from 1).
    std::string AddressOf(int connection) const;
    bool IsClosed(int connection) const;
    std::vector<std::string> Problems() const;
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) const;

    // Gateway actions on a connection.
    bool SendFrame(int connection, std::uint16_t flags, std::span<const std::uint8_t> data);
    // A data frame: the connection's terminal address (or the one given), then the text.
    bool SendData(int connection, std::span<const std::uint8_t> text,
                  const std::array<std::uint8_t, 3>* lniata = nullptr);
    bool SendError(int connection, std::int16_t code);
    bool SendRaw(int connection, std::span<const std::uint8_t> bytes);
    bool SendBinary(int connection, std::span<const std::uint8_t> message, std::uint8_t window,
                    std::array<std::uint8_t, 2> pac);
    bool CloseConnection(int connection);
    // Whether a binary message to the connection still waits for its acknowledgement.
    bool IsSending(int connection) const;

private:
    struct Connection;
    struct Listening;

    void AcceptLoop(Listening& l);
    void ReadLoop(const std::shared_ptr<Connection>& c);
    void OnFrame(const std::shared_ptr<Connection>& c, GateFrame frame);
    void SendTransport(const std::shared_ptr<Connection>& c, std::vector<arlohost::Packet> packets);
    bool Write(Connection& c, const Bytes& frame);
    bool WriteHeld(Connection& c, const Bytes& frame);  // c.sendLock held
    std::shared_ptr<Connection> Find(int connection) const;

    std::uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    GatewaySettings m_settings;
    std::vector<GateFrame> m_frames;
    std::vector<Bytes> m_delivered;
    std::vector<std::string> m_problems;
    int m_segmentsOut = 0;
    int m_segmentsIn = 0;
    int m_acksOut = 0;
    std::map<int, std::shared_ptr<Connection>> m_connections;
    int m_nextConnection = 1;
    std::vector<std::unique_ptr<Listening>> m_listeners;
    std::atomic<bool> m_stopping{false};
};

}  // namespace zelgate
