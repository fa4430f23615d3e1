// The 8-byte stream header that opens every QUIL record: sync, version, two reserved bytes and
// the whole record length in big-endian order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quil {

inline constexpr std::size_t kStreamHeaderSize = 8;
inline constexpr std::size_t kSessionHeaderSize = 12;
// Stream header plus session header: the smallest valid record.
inline constexpr std::size_t kRecordHeaderSize = kStreamHeaderSize + kSessionHeaderSize;
inline constexpr std::size_t kMaxOptionBytes = 60;
// Largest whole record length accepted from a peer; anything longer is a broken stream.
inline constexpr std::uint32_t kMaxRecordLength = 1U << 20;

inline constexpr std::uint8_t kStreamSync = 0xFE;
inline constexpr std::uint8_t kStreamVersion = 1;

class CStreamHeader {
public:
    CStreamHeader() noexcept : CStreamHeader(kStreamSync, kStreamVersion, 0, 0) {}
    // Byte 3 is always 0.
    CStreamHeader(std::uint8_t sync, std::uint8_t version, std::uint8_t byte2,
                  std::uint32_t length) noexcept;

    // Appends the 8 wire bytes.
    void Write(std::vector<std::uint8_t>& out) const;
    // False (and nothing stored) unless there are 8 bytes with sync 0xFE and version 1.
    [[nodiscard]] bool Read(std::span<const std::uint8_t> in) noexcept;

    std::uint8_t Sync() const noexcept { return m_lead[0]; }
    std::uint8_t Version() const noexcept { return m_lead[1]; }
    std::uint8_t Byte2() const noexcept { return m_lead[2]; }
    std::uint8_t Byte3() const noexcept { return m_lead[3]; }
    void SetByte2(std::uint8_t v) noexcept { m_lead[2] = v; }
    std::uint32_t Length() const noexcept { return m_length; }
    void SetLength(std::uint32_t length) noexcept { m_length = length; }

private:
    std::array<std::uint8_t, 4> m_lead{};
    std::uint32_t m_length = 0;
};

}  // namespace quil
