// Character translation between the client's 8-bit text and the host's code.
//
// Client to host: a final 0x15 is dropped; with shift marking on, characters of the shift
// class are preceded by the shift code 0x5D; the end-of-message code 0x4E is appended unless
// the text ends in 0x14.
//
// Host to client: the first two bytes of a message are translated as they are; from the third
// on a shift state (0 plain, 1 after the shift code, 2 compressed blanks) decides the table and
// can end the message early. The state belongs to one session and carries over from one of its
// messages to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quil {

inline constexpr std::uint8_t kHostShift = 0x5D;
inline constexpr std::uint8_t kHostEndOfMessage = 0x4E;

// Host code of one client byte (0 means "no character").
std::uint8_t ClientToHostByte(std::uint8_t client) noexcept;
// Client character of one host byte outside a shift sequence (0 means "no character").
std::uint8_t HostToClientByte(std::uint8_t host) noexcept;
// Client character of one host byte after the shift code (0 means "no character").
std::uint8_t HostToClientShiftedByte(std::uint8_t host) noexcept;
bool InShiftClass(std::uint8_t client) noexcept;

// Replaces `text` by its host-code form; returns the new length.
std::size_t ClientToHost(std::vector<std::uint8_t>& text, bool shiftMarking);

class HostToClientTranslator {
public:
    // The client text followed by a terminator byte (counted in the size), or nothing for
    // empty input.
    std::vector<std::uint8_t> Translate(std::span<const std::uint8_t> host);

    int ShiftState() const noexcept { return m_state; }
    void Reset() noexcept { m_state = 0; }

private:
    int m_state = 0;
};

}  // namespace quil
