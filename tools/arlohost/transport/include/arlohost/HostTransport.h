// The host's side of the binary transport, written from the protocol's definition and free
// of I/O: fed the workstation's transport packets (0xFF segments, 0xFD acknowledgements and
// the termination packet), it answers with acknowledgements (0xFC) and collects the
// messages; given a message, it cuts it into 0xFE segments, sends the first alone and then
// window after window as the workstation acknowledges them, going back to the first
// unacknowledged segment on a negative acknowledgement or a time-out.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace arlohost {

using Packet = std::vector<std::uint8_t>;

class HostTransport {
public:
    // The packets to send in answer.
    std::vector<Packet> OnPacket(std::span<const std::uint8_t> packet);
    // Starts a message; false while one is still under way.
    bool Send(std::span<const std::uint8_t> message, std::uint8_t window,
              std::array<std::uint8_t, 2> pac, std::vector<Packet>& out);
    // The unacknowledged segments again; false (the message dropped) after `limit` repeats.
    bool OnTimeout(std::vector<Packet>& out, int limit = 4);

    bool Sending() const noexcept { return !m_out.empty(); }
    // Messages received whole, in order, once each.
    std::vector<Packet> TakeDelivered();
    // Messages sent and acknowledged finally.
    int Acknowledged() const noexcept { return m_acknowledged; }
    int Terminations() const noexcept { return m_terminations; }
    // Problems with what the workstation sent (a segment number out of range, ...).
    const std::vector<std::string>& Problems() const noexcept { return m_problems; }

private:
    Packet Segment(std::uint32_t n) const;
    Packet Ack(std::uint16_t seq1) const;
    void SendFrom(std::uint32_t first, std::vector<Packet>& out);
    void OnSegment(std::span<const std::uint8_t> p, std::vector<Packet>& out);
    void OnAck(std::span<const std::uint8_t> p, std::vector<Packet>& out);

    // Receiving.
    std::uint32_t m_expected = 1;
    std::uint32_t m_count = 0;
    std::uint32_t m_window = 1;
    std::uint32_t m_inWindow = 0;
    std::array<std::uint8_t, 2> m_inPac{};
    std::vector<std::uint8_t> m_message;
    std::vector<Packet> m_delivered;
    Packet m_lastFinalAck;
    Packet m_lastSingle;  // the segment of the last one-segment message received
    // Sending.
    std::vector<Packet> m_out;  // the segments of the message under way
    std::array<std::uint8_t, 2> m_outPac{};
    std::uint8_t m_outWindow = 1;
    std::uint32_t m_base = 1;  // first unacknowledged
    std::uint32_t m_next = 1;  // next never sent
    std::uint32_t m_peerWindow = 1;
    std::uint32_t m_resentFrom = 0;  // the segment the last window was sent from
    int m_repeats = 0;
    int m_acknowledged = 0;
    int m_terminations = 0;
    std::vector<std::string> m_problems;
};

}  // namespace arlohost
