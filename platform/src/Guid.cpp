#include "platform/Guid.h"

#include <cstdio>

namespace platform {

namespace {

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads 2 * bytes hex digits at `pos` into a big-endian number.
bool ReadHex(std::string_view text, std::size_t pos, std::size_t digits, std::uint64_t& out) {
    out = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = HexDigit(text[pos + i]);
        if (d < 0) return false;
        out = (out << 4) | static_cast<std::uint64_t>(d);
    }
    return true;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
    // {01234567-0123-0123-0123-0123456789AB}
    constexpr std::size_t kLength = 38;
    if (text.size() != kLength || text.front() != '{' || text.back() != '}') return std::nullopt;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    Guid id;
    std::uint64_t value = 0;
    if (!ReadHex(text, 1, 8, value)) return std::nullopt;
    id.data1 = static_cast<std::uint32_t>(value);
    if (!ReadHex(text, 10, 4, value)) return std::nullopt;
    id.data2 = static_cast<std::uint16_t>(value);
    if (!ReadHex(text, 15, 4, value)) return std::nullopt;
    id.data3 = static_cast<std::uint16_t>(value);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t pos = i < 2 ? 20 + 2 * i : 25 + 2 * (i - 2);
        if (!ReadHex(text, pos, 2, value)) return std::nullopt;
        id.data4[i] = static_cast<std::uint8_t>(value);
    }
    return id;
}

std::string Guid::ToString() const {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(data1), static_cast<unsigned>(data2),
                  static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
                  data4[5], data4[6], data4[7]);
    return text;
}

std::size_t GuidHash::operator()(const Guid& id) const noexcept {
    // FNV-1a over the sixteen bytes.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    auto mix = [&hash](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 0x100000001b3ull;
        }
    };
    mix(id.data1, 4);
    mix(id.data2, 2);
    mix(id.data3, 2);
    for (std::uint8_t b : id.data4) mix(b, 1);
    return static_cast<std::size_t>(hash);
}

}  // namespace platform
