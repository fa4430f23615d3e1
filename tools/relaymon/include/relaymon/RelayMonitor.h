// A monitor of the status relay: connects to it, reads its packets one by one (with its own
// reading of the packet header), and can misbehave as monitors do: stop reading, send junk,
// or reset the connection.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Socket.h"

namespace relaymon {

struct Packet {
    char kind = 0;
    std::uint32_t totalLength = 0;
    std::uint32_t code = 0;
    std::vector<std::uint8_t> bytes;  // the whole packet, header included

    // The body up to its first NUL (a status text).
    std::string Text() const;
};

// "U 18 0 ~~~~~~" for a status; "I 271 0 <first word>" for an icon record.
std::string Describe(const Packet& packet);

class RelayMonitor {
public:
    // receiveBufferBytes > 0 makes the monitor's receive buffer that small (before connecting),
    // so that a monitor that stops reading fills up soon.
    [[nodiscard]] bool Connect(const platform::SocketAddress& relay, int timeoutMs,
                               int receiveBufferBytes = 0);

    // The next packet within timeoutMs. Nothing at the time-out, once the relay has closed
    // the connection (Closed()), or for bytes that are no relay packet (Error() says why).
    std::optional<Packet> Next(int timeoutMs);
    // Reads and drops what comes until the relay closes the connection (true) or timeoutMs
    // passes (false).
    [[nodiscard]] bool WaitClosed(int timeoutMs);

    [[nodiscard]] bool SendJunk(std::span<const std::uint8_t> bytes);
    // Ends the connection with a reset.
    void Reset();

    bool Closed() const { return m_closed; }
    const std::string& Error() const { return m_error; }

private:
    // A whole packet from the front of m_buffer, if there is one.
    std::optional<Packet> TakePacket();

    platform::Socket m_socket;
    std::vector<std::uint8_t> m_buffer;
    bool m_closed = false;
    std::string m_error;
};

}  // namespace relaymon
