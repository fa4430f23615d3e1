// Appends bytes in an explicit byte order to a growing buffer, optionally bounded: a write
// that would pass the bound fails, writes nothing and makes the writer fail from then on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace platform {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out,
                        std::size_t limit = std::numeric_limits<std::size_t>::max()) noexcept
        : m_out(out), m_limit(limit) {}

    bool ok() const noexcept { return !m_failed; }
    std::size_t size() const noexcept { return m_out.size(); }

    bool u8(std::uint8_t v);
    bool u16be(std::uint16_t v);
    bool u16le(std::uint16_t v);
    bool u32be(std::uint32_t v);
    bool u32le(std::uint32_t v);
    bool bytes(std::span<const std::uint8_t> v);
    bool fill(std::uint8_t v, std::size_t n);
    // Overwrites bytes already written (for lengths known only at the end).
    bool patch16be(std::size_t pos, std::uint16_t v) noexcept;
    bool patch32be(std::size_t pos, std::uint32_t v) noexcept;

private:
    bool room(std::size_t n) noexcept;

    std::vector<std::uint8_t>& m_out;
    std::size_t m_limit;
    bool m_failed = false;
};

}  // namespace platform
