// Bounds-checked reading of bytes that come from outside: the wire, files, the store.
// Every read names its byte order; a read past the end fails, leaves the position where it
// was and makes the reader fail from then on, so a parser can check once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) noexcept : m_data(data) {}
    ByteReader(const void* data, std::size_t size) noexcept
        : m_data(static_cast<const std::uint8_t*>(data), size) {}

    std::size_t size() const noexcept { return m_data.size(); }
    std::size_t position() const noexcept { return m_pos; }
    std::size_t remaining() const noexcept { return m_data.size() - m_pos; }
    bool empty() const noexcept { return remaining() == 0; }
    // False once any read has failed.
    bool ok() const noexcept { return !m_failed; }

    [[nodiscard]] bool u8(std::uint8_t& v) noexcept;
    [[nodiscard]] bool u16be(std::uint16_t& v) noexcept;
    [[nodiscard]] bool u16le(std::uint16_t& v) noexcept;
    [[nodiscard]] bool u32be(std::uint32_t& v) noexcept;
    [[nodiscard]] bool u32le(std::uint32_t& v) noexcept;
    // A view of the next n bytes (valid as long as the underlying data).
    [[nodiscard]] bool bytes(std::size_t n, std::span<const std::uint8_t>& out) noexcept;
    // Copies exactly out.size() bytes.
    [[nodiscard]] bool copy(std::span<std::uint8_t> out) noexcept;
    [[nodiscard]] bool skip(std::size_t n) noexcept;
    // Looks at the byte at offset from the current position without moving.
    [[nodiscard]] bool peek(std::size_t offset, std::uint8_t& v) const noexcept;
    // Moves to an absolute position within the data.
    [[nodiscard]] bool seek(std::size_t pos) noexcept;

    std::span<const std::uint8_t> rest() const noexcept { return m_data.subspan(m_pos); }

private:
    bool take(std::size_t n, const std::uint8_t*& p) noexcept;

    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

}  // namespace platform
