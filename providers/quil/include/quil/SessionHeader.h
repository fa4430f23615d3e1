// The 12-byte session header of a QUIL record. The wire form is fixed bit by bit:
//   byte 0: version (bits 7-4), kind (bits 3-0)
//   byte 1: header words (bits 7-4), option words (bits 3-0)
//   byte 2: message type
//   byte 3: reserved pair (7-6), segment override (5), non-standard device (4),
//           reserved triple (3-1), pooled flag (0)
//   bytes 4-6: terminal address, byte 7: filler, bytes 8-11: session identifier
// Bytes 4-11 together are the session identity, kept and compared whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quil/StreamHeader.h"

namespace quil {

// Session header kinds.
inline constexpr std::uint8_t kSessionBegin = 0;
inline constexpr std::uint8_t kSessionMaintain = 1;
inline constexpr std::uint8_t kSessionTerminate = 2;

// Message types (the header's `err` byte).
inline constexpr std::uint8_t kMsgData = 0;
inline constexpr std::uint8_t kMsgUrl = 1;
inline constexpr std::uint8_t kMsgPrintAddress = 2;
inline constexpr std::uint8_t kMsgKeepAlive = 3;
inline constexpr std::uint8_t kMsgSessionError = 4;
inline constexpr std::uint8_t kMsgSessionError2 = 5;
inline constexpr std::uint8_t kMsgSocketKeepAlive = 7;

using SessionIdentity = std::array<std::uint8_t, 8>;

class CSessionHeader {
public:
    CSessionHeader() noexcept = default;

    // Appends the 12 wire bytes.
    void Write(std::vector<std::uint8_t>& out) const;
    // Reads 12 bytes; false when fewer are given (nothing stored then).
    [[nodiscard]] bool Read(std::span<const std::uint8_t> in) noexcept;

    std::uint8_t Version() const noexcept { return m_version; }
    std::uint8_t Kind() const noexcept { return m_kind; }
    void SetKind(std::uint8_t kind) noexcept { m_kind = kind & 0x0F; }
    std::uint8_t HeaderWords() const noexcept { return m_headerWords; }
    std::size_t OptionBytes() const noexcept { return std::size_t{m_optionWords} * 4; }
    // Stored as words (bytes / 4); at most 15 words fit the field.
    void SetOptionBytes(std::size_t bytes) noexcept;
    std::uint8_t Err() const noexcept { return m_err; }
    void SetErr(std::uint8_t err) noexcept { m_err = err; }

    std::uint8_t ReservedPair() const noexcept { return m_reservedPair; }
    void SetReservedPair(std::uint8_t v) noexcept { m_reservedPair = v & 0x03; }
    bool SegmentOverride() const noexcept { return m_segmentOverride; }
    void SetSegmentOverride(bool on) noexcept { m_segmentOverride = on; }
    bool NonStandardDevice() const noexcept { return m_nonStandardDevice; }
    void SetNonStandardDevice(bool on) noexcept { m_nonStandardDevice = on; }
    std::uint8_t ReservedTriple() const noexcept { return m_reservedTriple; }
    // A value below 7 stores 7, a value of 7 or more stores 0: header preparation passes 7,
    // so prepared headers carry 0 in bits 3-1.
    void SetReservedTriple(std::uint8_t v) noexcept { m_reservedTriple = v < 7 ? 7 : 0; }
    bool Pooled() const noexcept { return m_pooled; }
    void SetPooled(bool on) noexcept { m_pooled = on; }

    // Six hexadecimal characters; false (address unchanged) for anything else.
    [[nodiscard]] bool SetTerminalAddress(std::string_view lniata) noexcept;
    // Six upper-case hexadecimal characters.
    std::string TerminalAddress() const;
    const std::array<std::uint8_t, 3>& TerminalAddressBytes() const noexcept { return m_ta; }
    void SetTerminalAddressBytes(const std::array<std::uint8_t, 3>& ta) noexcept { m_ta = ta; }

    SessionIdentity Identity() const noexcept;
    void SetIdentity(const SessionIdentity& identity) noexcept;
    const std::array<std::uint8_t, 4>& SessionId() const noexcept { return m_sid; }
    // Replaces the contents of `out` with the 4 identifier bytes.
    void AppendSessionId(std::string& out) const;
    // Takes the first 4 bytes of `in`; missing bytes (an empty or short text) are zero.
    void SetSessionId(std::string_view in) noexcept;

private:
    std::uint8_t m_version = 1;
    std::uint8_t m_kind = kSessionBegin;
    std::uint8_t m_headerWords = 3;
    std::uint8_t m_optionWords = 0;
    std::uint8_t m_err = 0;
    std::uint8_t m_reservedPair = 0;
    bool m_segmentOverride = false;
    bool m_nonStandardDevice = false;
    std::uint8_t m_reservedTriple = 7;
    bool m_pooled = false;
    std::array<std::uint8_t, 3> m_ta{};
    std::uint8_t m_filler = 0;
    std::array<std::uint8_t, 4> m_sid{};
};

}  // namespace quil
