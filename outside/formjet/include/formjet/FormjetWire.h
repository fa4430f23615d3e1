// The library's line protocol with its printers. A frame: SOH (0x01), the command letter, a
// sequence byte, the payload length (16-bit, big-endian), the payload, and a check byte (the
// XOR of every byte after SOH). Commands: S start a session, H host name, F form, W write,
// R read (payload: the largest count wanted, 16-bit), K stock code, B bar code, J eject,
// E end the session. An answer repeats the letter and the sequence; its payload begins with
// a status: 0 done (then its data), 1 busy (nothing was done), 2 refused (then a 16-bit
// code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace formjet::wire {

inline constexpr std::uint8_t SOH = 0x01;
inline constexpr std::size_t kMaxPayload = 0xFFFF;

enum Status : std::uint8_t { DONE = 0, BUSY = 1, REFUSED = 2 };

struct Frame {
    std::uint8_t letter = 0;
    std::uint8_t sequence = 0;
    std::vector<std::uint8_t> payload;
    bool checkOk = false;
};

// False when the payload is longer than a frame can carry.
[[nodiscard]] bool Encode(std::uint8_t letter, std::uint8_t sequence,
                          std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out);

// Fed the line's bytes in pieces of any size; yields each whole frame. Bytes before SOH are
// skipped.
class Reader {
public:
    void Feed(std::span<const std::uint8_t> bytes, std::vector<Frame>& out);

private:
    std::vector<std::uint8_t> m_head;  // SOH and header bytes so far
    Frame m_frame;
    std::size_t m_length = 0;
    bool m_inPayload = false;
};

}  // namespace formjet::wire
