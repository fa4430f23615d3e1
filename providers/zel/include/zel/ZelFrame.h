// The gateway's frame, in both directions (numbers little-endian):
//   0  4  sync 0x5AA55AA5
//   4  4  length: the bytes after offset 8 (26 + data length)
//   8  2  flags
//   10 4  registration word (registration frames; 0 otherwise)
//   14 20 zero
//   34 .. data
// CFrameReader takes the bytes of a connection as they come, in pieces of any size, and
// yields whole frames. It trusts a length only between 26 and kMaxFrameLength and only
// behind the right sync; anything else ends the connection (Failed), since the stream can
// no longer be cut into frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CLniata;

namespace zel {

inline constexpr std::uint32_t kSync = 0x5AA55AA5;
inline constexpr std::size_t kFrameHeader = 34;
inline constexpr std::uint32_t kLengthBase = 26;
// The largest length a frame may announce (64 KiB of data).
inline constexpr std::uint32_t kMaxFrameLength = kLengthBase + 0x10000;

enum FrameFlag : std::uint16_t {
    FLAG_REGISTRATION = 0x0001,
    FLAG_HEARTBEAT = 0x0010,
    FLAG_ERROR = 0x0080,
    // The flags a data frame has none of.
    FLAGS_NOT_DATA = 0x0002 | 0x0008 | 0x0010 | 0x0040 | 0x0080 | 0x0100,
};

struct Frame {
    std::uint16_t flags = 0;
    std::uint32_t word = 0;
    std::vector<std::uint8_t> data;
};

// A whole frame: header and data.
std::vector<std::uint8_t> BuildFrame(std::uint16_t flags, std::uint32_t word,
                                     std::span<const std::uint8_t> data);
// Bit 0 set, the line in bits 8-19, the interchange in 20-23, the terminal in 24-31.
std::uint32_t RegistrationWord(const CLniata& lniata);
// The registration frame: the word and the alias as data (no terminator).
std::vector<std::uint8_t> RegistrationFrame(const CLniata& lniata, const std::string& alias);
// The heartbeat frame: 34 bytes, flags 0x0010, no data.
const std::vector<std::uint8_t>& HeartbeatFrame();

class CFrameReader {
public:
    // Takes bytes; false once the stream has failed (nothing more is taken).
    bool Feed(std::span<const std::uint8_t> bytes);
    // The next whole frame, if one is complete.
    std::optional<Frame> Next();
    bool Failed() const noexcept { return m_failed; }
    // Bytes waiting for the rest of their frame.
    std::size_t Pending() const noexcept { return m_buffer.size(); }
    void Reset();

private:
    void Check();

    std::vector<std::uint8_t> m_buffer;
    bool m_failed = false;
};

}  // namespace zel
