// The 11-byte header in front of every binary-transport packet, in memory and on the wire.
//
// Wire layout (numbers big-endian): kind (1), PAC byte 1 (1), SEQ1 (2), SEQ2 (2), window
// size (1), PAC byte 2 (1), three zero bytes. SEQ1 is a data segment's number (from 1) or,
// in an acknowledgement, the next segment the receiver expects (0: the whole message came);
// SEQ2 is the number of segments of the message. A data segment carries 1 to 1010 data
// bytes after its header; acknowledgements and the termination packet are the header alone.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace brxbt {

inline constexpr std::uint8_t kOutboundSegment = 0xFF;  // data, workstation to host
inline constexpr std::uint8_t kInboundSegment = 0xFE;   // data, host to workstation
inline constexpr std::uint8_t kInboundAck = 0xFD;       // acknowledgement / termination, to host
inline constexpr std::uint8_t kOutboundAck = 0xFC;      // acknowledgement of sent segments
inline constexpr std::size_t kHeaderLength = 11;
inline constexpr std::size_t kMaxSegmentData = 1010;
inline constexpr std::size_t kMaxSegmentPacket = kHeaderLength + kMaxSegmentData;

class CBTHeader {
public:
    CBTHeader() = default;
    CBTHeader(std::uint8_t kind, std::uint16_t seq1, std::uint16_t seq2, std::uint8_t window,
              const std::uint8_t* pac) {
        (void)SetHeader(kind, seq1, seq2, window, pac);
    }

    bool SetHeader(std::uint8_t kind, std::uint16_t seq1, std::uint16_t seq2, std::uint8_t window,
                   const std::uint8_t* pac) noexcept;

    std::uint8_t Kind() const noexcept { return m_kind; }
    std::uint16_t& Seq1() noexcept { return m_seq1; }
    std::uint16_t& Seq2() noexcept { return m_seq2; }
    std::uint8_t& WindowSize() noexcept { return m_window; }
    void GetPAC(std::uint8_t out[2]) const noexcept {
        out[0] = m_pac[0];
        out[1] = m_pac[1];
    }

    bool IsOutboundSegment() const noexcept { return m_kind == kOutboundSegment; }
    bool IsInboundSegment() const noexcept { return m_kind == kInboundSegment; }
    bool IsOutboundAck() const noexcept { return m_kind == kOutboundAck; }

    // The 11 wire bytes of this header.
    void Write(std::span<std::uint8_t, kHeaderLength> out) const noexcept;
    // Reads a header from the first 11 bytes; false (nothing changed) when fewer are given.
    bool Read(std::span<const std::uint8_t> packet) noexcept;

private:
    std::uint8_t m_kind = kInboundSegment;
    std::uint16_t m_seq1 = 0;
    std::uint16_t m_seq2 = 0;
    std::uint8_t m_window = 0;
    std::array<std::uint8_t, 2> m_pac{0, 0};
};

}  // namespace brxbt
